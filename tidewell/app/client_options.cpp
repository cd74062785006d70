#include "tidewell/app/client_options.h"

namespace tidewell {

std::optional<ClientOptions> ParseClientOptions(const std::vector<std::string>& argv,
                                                std::string& error) {
  ClientOptions options;
  if (!argv.empty()) options.startupArgs.push_back(argv[0]);
  for (size_t i = 1; i < argv.size(); ++i) {
    const std::string& arg = argv[i];
    std::string* value = nullptr;
    if (arg == "--quiet") {
      options.quiet = true;
    } else if (arg == "--apply-pending") {
      options.applyPending = true;
    } else if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (arg == "--list-url") {
      value = &options.listUrl;
    } else if (arg == "--target") {
      value = &options.target;
    } else if (arg == "--product") {
      value = &options.product;
    } else if (arg == "--public-key") {
      value = &options.publicKey;
    } else {
      // Switches (and any other text) stay on the line start-up scans.
      options.startupArgs.push_back(arg);
    }
    if (value != nullptr) {
      // A value is kept off the start-up line: an address such as .../leafline.tdu
      // must not read as a product switch.
      if (i + 1 >= argv.size()) {
        error = arg + " needs a value";
        return std::nullopt;
      }
      *value = argv[++i];
    }
  }
  return options;
}

}  // namespace tidewell
