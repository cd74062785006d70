#include "tidewell/app/gen_ftp_command.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>

#include "tidewell/app/ftp_proxy_choice.h"
#include "tidewell/app/gen_save_command.h"
#include "tidewell/app/string_table.h"
#include "tidewell/transfer/ftp_job.h"
#include "tidewell/transfer/overwrite_answer.h"
#include "tidewell/updateset/generator_model.h"
#include "tidewell/updateset/upload_lists.h"

namespace tidewell {
namespace {

namespace fs = std::filesystem;

struct Options {
  std::map<std::string, std::string> values;
  std::vector<std::string> operands;
  std::string Get(const std::string& name, const std::string& fallback = "") const {
    const auto found = values.find(name);
    return found == values.end() ? fallback : found->second;
  }
};

std::optional<Options> ParseOptions(const std::string& command,
                                    const std::vector<std::string>& args,
                                    const std::vector<std::string>& known,
                                    const std::vector<std::string>& required, std::ostream& err) {
  Options options;
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

const std::vector<std::string> kFtpOptions = {"--ftp-site", "--user", "--password", "--initial-dir",
                                              "--proxy"};

// The proxy: the one given with --proxy, else the user's settings.
std::optional<FtpProxyChoice> ProxyOf(const std::string& command, const Options& options,
                                      std::ostream& err) {
  const std::string typed = options.Get("--proxy");
  std::string error;
  std::optional<FtpProxyChoice> choice;
  if (typed.empty()) {
    choice = ChooseFtpProxy(false, "", "", &error);
  } else {
    const size_t colon = typed.rfind(':');
    choice = colon == std::string::npos || colon == 0
                 ? std::nullopt
                 : ChooseFtpProxy(true, typed.substr(0, colon), typed.substr(colon + 1), &error);
    if (!choice && error.empty()) error = "--proxy needs HOST:PORT";
  }
  if (!choice) err << "tidewell-gen: " << command << ": " << error << "\n";
  return choice;
}

FtpJob JobOf(const Options& options, const FtpProxyChoice& proxy, std::ostream& err) {
  FtpJob job;
  job.host = options.Get("--ftp-site");
  job.user = options.Get("--user");
  job.password = options.Get("--password");
  job.initialDir = options.Get("--initial-dir");
  job.proxy = proxy.proxy;
  job.bypass = proxy.bypass;
  job.showProgress = false;
  job.passPhrase = LoadString(kStrPassPhrase);
  job.showMessage = [&err](const std::string& text) { err << text << "\n" << std::flush; };
  return job;
}

int Finish(const std::string& command, const std::shared_ptr<FtpTransferJob>& handle,
           std::ostream& err) {
  handle->Wait(std::chrono::hours(24 * 365));
  const FtpJobResult& result = handle->result();
  if (result.ok()) return 0;
  // Only a cancelled job ends without a report of its own.
  if (result.report.empty()) err << "tidewell-gen: " << command << ": cancelled\n";
  return 1;
}

std::string AbsolutePath(const std::string& path) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(path, ec);
  return (ec ? fs::path(path) : absolute).lexically_normal().string();
}

std::vector<std::string> FilesBelow(const std::string& folder, const std::string& listFile) {
  std::vector<std::string> files;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code statusError;
    const std::string path = it->path().string();
    if (fs::is_regular_file(it->symlink_status(statusError)) && path != listFile)
      files.push_back(path);
  }
  std::sort(files.begin(), files.end());
  return files;
}

// How --overwrite answers the upload's questions.
std::optional<std::function<int(const std::string&)>> OverwriteAnswers(const std::string& mode,
                                                                       std::ostream& out,
                                                                       std::ostream& err) {
  if (mode == "yes") return [](const std::string&) { return static_cast<int>(kOverwriteYes); };
  if (mode == "no") return [](const std::string&) { return static_cast<int>(kOverwriteNo); };
  if (mode == "ask") {
    if (!isatty(STDIN_FILENO))
      return [](const std::string&) { return static_cast<int>(kOverwriteNo); };
    return [&out](const std::string& question) {
      return AskOverwriteOnTerminal(question, std::cin, out);
    };
  }
  err << "tidewell-gen: upload: --overwrite takes ask, yes or no\n";
  return std::nullopt;
}

}  // namespace

int AskOverwriteOnTerminal(const std::string& question, std::istream& in, std::ostream& out) {
  for (;;) {
    out << question << " [y]es, yes to [a]ll, [n]o, [c]ancel: " << std::flush;
    std::string line;
    if (!std::getline(in, line)) return kOverwriteNo;
    const std::string word = line.substr(0, line.find_first_of(" \t\r"));
    if (word == "y" || word == "yes") return kOverwriteYes;
    if (word == "a" || word == "all") return kOverwriteYesToAll;
    if (word == "n" || word == "no") return kOverwriteNo;
    if (word == "c" || word == "cancel") return kOverwriteCancel;
  }
}

int RunUploadCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::vector<std::string> known = {"--program-dir",    "--list-file",      "--base-url",
                                    "--windows-prefix", "--program-prefix", "--other-prefix",
                                    "--check",          "--overwrite"};
  known.insert(known.end(), kFtpOptions.begin(), kFtpOptions.end());
  const auto options = ParseOptions("upload", args, known,
                                    {"--program-dir", "--list-file", "--ftp-site", "--user"}, err);
  if (!options) return 1;
  const auto checks = ParseChecks(options->Get("--check"), "upload", err);
  const auto answers = OverwriteAnswers(options->Get("--overwrite", "ask"), out, err);
  const auto proxy = ProxyOf("upload", *options, err);
  if (!checks || !answers || !proxy) return 1;

  GeneratorModel model(LoadString(kStrPassPhrase));
  model.programFolder = AbsolutePath(options->Get("--program-dir"));
  model.listFile = AbsolutePath(options->Get("--list-file"));
  model.remoteWebDirectory = options->Get("--base-url", model.remoteWebDirectory);
  model.windowsPrefix = options->Get("--windows-prefix", model.windowsPrefix);
  model.programPrefix = options->Get("--program-prefix", model.programPrefix);
  model.otherPrefix = options->Get("--other-prefix", model.otherPrefix);
  std::error_code ec;
  if (!fs::is_directory(model.programFolder, ec)) {
    err << "tidewell-gen: upload: " << model.programFolder << " is not a folder\n";
    return 1;
  }
  std::vector<std::string> files;
  for (const std::string& file : options->operands) {
    files.push_back(AbsolutePath(file));
    if (!fs::is_regular_file(files.back(), ec)) {
      err << "tidewell-gen: upload: " << file << " is not a file\n";
      return 1;
    }
  }
  if (options->operands.empty()) files = FilesBelow(model.programFolder, model.listFile);
  model.AddFiles(files);
  std::vector<size_t> all(model.Files().Count());
  for (size_t i = 0; i < all.size(); ++i) all[i] = i;
  for (CheckFlag flag : *checks) model.SetCheck(flag, all, true);

  if (model.Files().WriteUpdateList(model.listFile, model.remoteWebDirectory, model.programFolder,
                                    model.windowsPrefix, model.programPrefix,
                                    model.otherPrefix) != kListWritten) {
    err << "tidewell-gen: upload: cannot write the update list " << model.listFile << "\n";
    return 1;
  }
  FtpJob job = JobOf(*options, *proxy, err);
  if (CollectUploads(model.Files(), job.localPaths, job.remotePaths, model.listFile, true) != 0) {
    out << "tidewell-gen: upload: no files to upload\n";
    return 0;
  }
  job.askOverwrite = true;
  job.askOverwriteQuestion = *answers;
  return Finish("upload", StartFtpUpload(std::move(job)), err);
}

int RunFetchCommand(const std::vector<std::string>& args, std::ostream&, std::ostream& err) {
  std::vector<std::string> known = {"--out"};
  known.insert(known.end(), kFtpOptions.begin(), kFtpOptions.end());
  const auto options = ParseOptions("fetch", args, known, {"--ftp-site", "--user", "--out"}, err);
  if (!options) return 1;
  if (options->operands.empty()) {
    err << "tidewell-gen: fetch: name the server paths to fetch\n";
    return 1;
  }
  const auto proxy = ProxyOf("fetch", *options, err);
  if (!proxy) return 1;
  const fs::path out = AbsolutePath(options->Get("--out"));
  FtpJob job = JobOf(*options, *proxy, err);
  for (const std::string& remote : options->operands) {
    const fs::path relative = fs::path(remote).relative_path().lexically_normal();
    // A server path that climbs out of the folder would write elsewhere on the disk.
    if (relative.empty() || *relative.begin() == "..") {
      err << "tidewell-gen: fetch: " << remote << " does not stay below the folder\n";
      return 1;
    }
    const fs::path local = out / relative;
    std::error_code ec;
    fs::create_directories(local.parent_path(), ec);
    job.remotePaths.push_back(relative.generic_string());
    job.localPaths.push_back(local.string());
  }
  return Finish("fetch", StartFtpDownload(std::move(job)), err);
}

}  // namespace tidewell
