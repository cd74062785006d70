#include "tidewell/app/gen_save_command.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>

#include "tidewell/app/string_table.h"
#include "tidewell/updateset/generator_model.h"

namespace tidewell {
namespace {

namespace fs = std::filesystem;

struct SaveOptions {
  std::map<std::string, std::string> values;  // option name -> value
  std::vector<std::string> files;
};

const std::vector<std::string>& KnownOptions() {
  static const std::vector<std::string> names = {
      "--program-dir",    "--list-file",      "--out",          "--base-url",
      "--windows-prefix", "--program-prefix", "--other-prefix", "--check",
      "--sign-key"};
  return names;
}

std::optional<SaveOptions> ParseOptions(const std::vector<std::string>& args, std::ostream& err) {
  SaveOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.rfind("--", 0) != 0) {
      options.files.push_back(arg);
      continue;
    }
    const auto& known = KnownOptions();
    if (std::find(known.begin(), known.end(), arg) == known.end()) {
      err << "tidewell-gen: save: unknown option " << arg << "\n";
      return std::nullopt;
    }
    if (i + 1 >= args.size()) {
      err << "tidewell-gen: save: " << arg << " needs a value\n";
      return std::nullopt;
    }
    options.values[arg] = args[++i];
  }
  for (const char* required : {"--program-dir", "--list-file", "--out"}) {
    if (options.values.count(required) == 0 || options.values[required].empty()) {
      err << "tidewell-gen: save: " << required << " is required\n";
      return std::nullopt;
    }
  }
  return options;
}

std::string AbsolutePath(const std::string& path) {
  std::error_code ec;
  fs::path absolute = fs::absolute(path, ec);
  if (ec) absolute = path;
  std::string text = absolute.lexically_normal().string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

bool IsAtOrBelow(const std::string& path, const std::string& folder) {
  return path == folder ||
         (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
          (folder == "/" || path[folder.size()] == '/'));
}

// Every regular file below the folder in name order, leaving out the set's own output.
std::vector<std::string> FilesBelow(const std::string& folder, const std::string& listFile,
                                    const std::string& outFolder) {
  std::vector<std::string> files;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string path = it->path().string();
    if (IsAtOrBelow(path, outFolder)) {
      if (it->is_directory(ec)) it.disable_recursion_pending();
      continue;
    }
    std::error_code statusError;
    if (fs::is_regular_file(it->symlink_status(statusError)) && path != listFile)
      files.push_back(path);
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

std::optional<std::vector<CheckFlag>> ParseChecks(const std::string& text, const char* command,
                                                  std::ostream& err) {
  std::vector<CheckFlag> flags;
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(',', start);
    if (comma == std::string::npos) comma = text.size();
    const std::string word = text.substr(start, comma - start);
    start = comma + 1;
    if (word.empty() || word == "none") continue;
    if (word == "modify")
      flags.push_back(CheckFlag::Modify);
    else if (word == "create")
      flags.push_back(CheckFlag::Create);
    else if (word == "size")
      flags.push_back(CheckFlag::Size);
    else {
      err << "tidewell-gen: " << command << ": unknown check \"" << word
          << "\" (modify, create, size)\n";
      return std::nullopt;
    }
  }
  return flags;
}

int RunSaveCommand(const std::vector<std::string>& args, std::ostream&, std::ostream& err) {
  const auto options = ParseOptions(args, err);
  if (!options) return 1;
  const auto& values = options->values;
  const auto checks = ParseChecks(values.count("--check") ? values.at("--check") : "", "save", err);
  if (!checks) return 1;

  GeneratorModel model(LoadString(kStrPassPhrase));
  model.programFolder = AbsolutePath(values.at("--program-dir"));
  model.listFile = AbsolutePath(values.at("--list-file"));
  model.localUpdateSetFolder = AbsolutePath(values.at("--out"));
  if (values.count("--base-url")) model.remoteWebDirectory = values.at("--base-url");
  if (values.count("--windows-prefix")) model.windowsPrefix = values.at("--windows-prefix");
  if (values.count("--program-prefix")) model.programPrefix = values.at("--program-prefix");
  if (values.count("--other-prefix")) model.otherPrefix = values.at("--other-prefix");
  if (values.count("--sign-key")) model.signingKey = values.at("--sign-key");

  std::error_code ec;
  if (!fs::is_directory(model.programFolder, ec)) {
    err << "tidewell-gen: save: " << model.programFolder << " is not a folder\n";
    return 1;
  }
  std::vector<std::string> files;
  for (const std::string& file : options->files) {
    files.push_back(AbsolutePath(file));
    if (!fs::is_regular_file(files.back(), ec)) {
      err << "tidewell-gen: save: " << file << " is not a file\n";
      return 1;
    }
  }
  if (options->files.empty())
    files = FilesBelow(model.programFolder, model.listFile, model.localUpdateSetFolder);

  model.AddFiles(files);
  std::vector<size_t> all(model.Files().Count());
  for (size_t i = 0; i < all.size(); ++i) all[i] = i;
  for (CheckFlag flag : *checks) model.SetCheck(flag, all, true);

  const SaveOutcome outcome = model.SaveUpdateSetLocally();
  if (outcome.listResult != kListWritten)
    err << "tidewell-gen: save: cannot write the update list " << model.listFile << "\n";
  else if (!outcome.listPacked)
    err << "tidewell-gen: save: cannot pack the update list " << model.listFile << "\n";
  if (!outcome.signError.empty())
    err << "tidewell-gen: save: cannot sign the update list: " << outcome.signError << "\n";
  for (const std::string& path : outcome.notSaved)
    err << "tidewell-gen: save: " << path << " was not saved into the update set\n";
  return outcome.Complete() ? 0 : 1;
}

}  // namespace tidewell
