#include "tidewell/app/gen_cli.h"

#include <filesystem>
#include <functional>
#include <map>
#include <streambuf>

#include "tidewell/app/gen_ftp_command.h"
#include "tidewell/app/gen_save_command.h"
#include "tidewell/app/gen_update_set.h"
#include "tidewell/app/move_file.h"
#include "tidewell/app/string_table.h"
#include "tidewell/packing/pack_file.h"
#include "tidewell/trust/signature_check.h"

namespace tidewell {
namespace {

using Command =
    std::function<int(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)>;

struct CommandEntry {
  Command run;
  const char* usage;
};

// Packs or unpacks IN with the built-in pass phrase and puts the result at OUT.
int PackOrUnpack(bool pack, const std::vector<std::string>& args, std::ostream& lines,
                 std::ostream& err) {
  const char* verb = pack ? "pack" : "unpack";
  if (args.size() != 2) {
    err << "tidewell-gen: usage: tidewell-gen " << verb << " IN OUT\n";
    return 1;
  }
  const std::string& in = args[0];
  const std::string& out = args[1];
  const std::string phrase = LoadString(kStrPassPhrase);
  std::string result;
  const bool ok =
      pack ? PackFile(in, true, true, phrase, result) : UnpackFile(in, true, true, phrase, result);
  if (!ok) {
    err << "tidewell-gen: cannot " << verb << " " << in
        << (pack ? "\n" : " (missing, unreadable or not a packed file)\n");
    return 1;
  }
  std::error_code ec;
  const uint64_t size = std::filesystem::file_size(result, ec);
  // Written into a device or pipe (standard output, say), the bytes are the output: no line.
  const bool named = out != "-" && (!std::filesystem::exists(out, ec) ||
                                    std::filesystem::is_regular_file(out, ec));
  if (!PlaceOutputFile(result, out)) {
    std::filesystem::remove(result, ec);
    err << "tidewell-gen: cannot write " << out << "\n";
    return 1;
  }
  if (named)
    lines << (pack ? "packed " : "unpacked ") << in << " into " << out << " ("
          << GroupedNumber(size) << " bytes)\n";
  return 0;
}

// keygen --secret S.pem --public P.pem: a new signing key pair, never over existing files.
int MakeKeys(const std::vector<std::string>& args, std::ostream& err) {
  std::string secret, pub;
  for (size_t i = 0; i + 1 < args.size() && args.size() == 4; i += 2) {
    if (args[i] == "--secret") secret = args[i + 1];
    if (args[i] == "--public") pub = args[i + 1];
  }
  if (secret.empty() || pub.empty()) {
    err << "tidewell-gen: usage: tidewell-gen keygen --secret SECRET.pem --public PUBLIC.pem\n";
    return 1;
  }
  std::string error;
  if (!MakeSigningKeys(secret, pub, error)) {
    err << "tidewell-gen: keygen: " << error << "\n";
    return 1;
  }
  return 0;
}

const std::map<std::string, CommandEntry>& Commands() {
  static const std::map<std::string, CommandEntry> commands = {
      {"pack",
       {[](const auto& args, auto& out, auto& err) { return PackOrUnpack(true, args, out, err); },
        "pack IN OUT      compress and encrypt IN into OUT"}},
      {"unpack",
       {[](const auto& args, auto& out, auto& err) { return PackOrUnpack(false, args, out, err); },
        "unpack IN OUT    decrypt and uncompress IN into OUT"}},
      {"keygen",
       {[](const auto& args, auto&, auto& err) { return MakeKeys(args, err); },
        "keygen --secret SECRET.pem --public PUBLIC.pem\n"
        "                   make a key pair for signing update lists"}},
      {"save", {RunSaveCommand, kSaveUsage}},
      {"upload", {RunUploadCommand, kUploadUsage}},
      {"fetch", {RunFetchCommand, kFetchUsage}},
  };
  return commands;
}

void PrintUsage(std::ostream& stream) {
  stream << "usage: tidewell-gen COMMAND ARGS... [--quiet]\n"
            "       tidewell-gen --help | --version\n";
  for (const auto& [name, entry] : Commands()) stream << "  " << entry.usage << "\n";
  stream << "A line per file written or sent goes to standard output (none with --quiet);\n"
            "failures go to standard error and exit with status 1.\n";
}

// Swallows what --quiet silences.
class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return traits_type::not_eof(c); }
};

}  // namespace

int RunGeneratorCommand(const std::vector<std::string>& args, std::ostream& out,
                        std::ostream& err) {
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h" || args[0] == "help")) {
    PrintUsage(out);
    return 0;
  }
  if (args.empty()) {
    PrintUsage(err);
    return 1;
  }
  const auto found = Commands().find(args[0]);
  if (found == Commands().end()) {
    err << "tidewell-gen: unknown command \"" << args[0] << "\"\n";
    PrintUsage(err);
    return 1;
  }
  std::vector<std::string> rest;
  bool quiet = false;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--quiet")
      quiet = true;
    else
      rest.push_back(args[i]);
  }
  NullBuffer nothing;
  std::ostream silent(&nothing);
  return found->second.run(rest, quiet ? silent : out, err);
}

}  // namespace tidewell
