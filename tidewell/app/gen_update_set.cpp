#include "tidewell/app/gen_update_set.h"

#include "tidewell/transfer/ftp_job.h"

#include <stdlib.h>

#include <algorithm>
#include <filesystem>

#include "tidewell/app/move_file.h"
#include "tidewell/app/string_table.h"
#include "tidewell/platform/folders.h"
#include "tidewell/updateset/list_paths.h"

namespace tidewell {
namespace {

namespace fs = std::filesystem;

// Every regular file below the folder in name order, leaving out the list file and what
// lies at or below leaveOut (the set's own output).
std::vector<std::string> FilesBelow(const std::string& folder, const std::string& listFile,
                                    const std::string& leaveOut) {
  std::vector<std::string> files;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string path = it->path().string();
    if (!leaveOut.empty() && IsAtOrBelow(path, leaveOut)) {
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

std::string GenOptions::Get(const std::string& name, const std::string& fallback) const {
  const auto found = values.find(name);
  return found == values.end() ? fallback : found->second;
}

std::optional<GenOptions> ParseGenOptions(const std::string& command,
                                          const std::vector<std::string>& args,
                                          const std::vector<std::string>& known,
                                          const std::vector<std::string>& required,
                                          std::ostream& err) {
  GenOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.rfind("--", 0) != 0) {
      options.operands.push_back(arg);
      continue;
    }
    if (std::find(known.begin(), known.end(), arg) == known.end()) {
      err << "tidewell-gen: " << command << ": unknown option " << arg << "\n";
      return std::nullopt;
    }
    if (i + 1 >= args.size()) {
      err << "tidewell-gen: " << command << ": " << arg << " needs a value\n";
      return std::nullopt;
    }
    options.values[arg] = args[++i];
  }
  for (const std::string& name : required) {
    if (options.Get(name).empty()) {
      err << "tidewell-gen: " << command << ": " << name << " is required\n";
      return std::nullopt;
    }
  }
  return options;
}

const std::vector<std::string>& SetOptionNames() {
  static const std::vector<std::string> names = {
      "--program-dir",    "--list-file",    "--out",   "--base-url", "--windows-prefix",
      "--program-prefix", "--other-prefix", "--check", "--sign-key"};
  return names;
}

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

std::string AbsolutePath(const std::string& path) {
  std::error_code ec;
  fs::path absolute = fs::absolute(path, ec);
  if (ec) absolute = path;
  std::string text = absolute.lexically_normal().string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

std::unique_ptr<GeneratorModel> ModelFromOptions(const std::string& command,
                                                 const GenOptions& options,
                                                 const std::string& leaveOut, std::ostream& err) {
  const auto checks = ParseChecks(options.Get("--check", "modify,size"), command.c_str(), err);
  if (!checks) return nullptr;
  auto model = std::make_unique<GeneratorModel>(LoadString(kStrPassPhrase));
  model->programFolder = AbsolutePath(options.Get("--program-dir"));
  model->listFile = AbsolutePath(options.Get("--list-file"));
  model->remoteWebDirectory = options.Get("--base-url", model->remoteWebDirectory);
  model->windowsPrefix = options.Get("--windows-prefix", model->windowsPrefix);
  model->programPrefix = options.Get("--program-prefix", model->programPrefix);
  model->otherPrefix = options.Get("--other-prefix", model->otherPrefix);
  model->signingKey = options.Get("--sign-key");

  std::error_code ec;
  if (!fs::is_directory(model->programFolder, ec)) {
    err << "tidewell-gen: " << command << ": " << model->programFolder << " is not a folder\n";
    return nullptr;
  }
  std::vector<std::string> files;
  for (const std::string& file : options.operands) {
    files.push_back(AbsolutePath(file));
    if (!fs::is_regular_file(files.back(), ec)) {
      err << "tidewell-gen: " << command << ": " << file << " is not a file\n";
      return nullptr;
    }
  }
  if (options.operands.empty()) files = FilesBelow(model->programFolder, model->listFile, leaveOut);
  model->AddFiles(files);
  std::vector<size_t> all(model->Files().Count());
  for (size_t i = 0; i < all.size(); ++i) all[i] = i;
  for (CheckFlag flag : *checks) model->SetCheck(flag, all, true);
  return model;
}

StagingFolder::StagingFolder(const std::string& besidePath) {
  std::string pattern;
  if (besidePath.empty()) {
    pattern = TempFolder() + "tidewell-gen-XXXXXX";
  } else {
    // Beside the destination, so that the finished files are renamed into place.
    const fs::path beside = AbsolutePath(besidePath);
    std::error_code ec;
    fs::create_directories(beside.parent_path(), ec);
    std::string name = beside.filename().string();
    name.insert(name.begin(), '.');
    name.append(".tidewell-XXXXXX");
    pattern = (beside.parent_path() / name).string();
  }
  if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

StagingFolder::~StagingFolder() {
  std::error_code ec;
  if (!path_.empty()) fs::remove_all(path_, ec);
}

bool StagingFolder::MoveFilesInto(const std::string& below, const std::string& folder) const {
  std::error_code ec;
  for (fs::recursive_directory_iterator it(below, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    const fs::path destination = fs::path(folder) / fs::relative(it->path(), below, ec);
    fs::create_directories(destination.parent_path(), ec);
    if (!PlaceOutputFile(it->path().string(), destination.string())) return false;
  }
  return !ec;
}

std::string GroupedNumber(uint64_t value) {
  const std::string digits = std::to_string(value);
  std::string grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ' ';
    grouped += digits[i];
  }
  return grouped;
}

std::string SetPathOf(const UpdateEntry& entry) {
  return ToSlashes(entry.prefix) + "/" + ToSlashes(entry.name);
}

void SendStagedSet(FtpJob& job, const StagingFolder& staging, const std::string& stagedList,
                   bool signedList) {
  for (size_t i = 1; i < job.localPaths.size(); ++i)
    job.localPaths[i] = staging.path() + "/set/" + job.remotePaths[i];
  if (signedList) {
    // Clients fetch the signature right after the list.
    job.localPaths.insert(job.localPaths.begin() + 1, stagedList + ".sig");
    job.remotePaths.insert(job.remotePaths.begin() + 1, job.remotePaths.front() + ".sig");
  }
  job.packFirst = job.packSecond = false;
}

}  // namespace tidewell
