#pragma once
// The options of the tidewell program that are its own, apart from the switches that
// start-up looks for anywhere on the command line.
#include <optional>
#include <string>
#include <vector>

namespace tidewell {

struct ClientOptions {
  bool quiet = false;         // no windows: message texts on standard output, questions answered No
  bool applyPending = false;  // carry out the replacements deferred to the next start
  bool help = false;          // --help or -h: the usage on standard output, nothing else
  bool version = false;       // --version
  std::string listUrl;        // --list-url, --target, --product: the custom update's values
  std::string target;
  std::string product;
  std::string publicKey;  // --public-key: the key update lists must be signed with
  // The program's arguments without the options above, for the start-up line.
  std::vector<std::string> startupArgs;
};

// Reads argv (argv[0] the program). Empty, with the reason in error, when an option
// that takes a value has none.
std::optional<ClientOptions> ParseClientOptions(const std::vector<std::string>& argv,
                                                std::string& error);

}  // namespace tidewell
