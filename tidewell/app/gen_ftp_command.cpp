#include "tidewell/app/gen_ftp_command.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>

#include "tidewell/app/ftp_proxy_choice.h"
#include "tidewell/app/gen_save_command.h"
#include "tidewell/app/gen_update_set.h"
#include "tidewell/app/move_file.h"
#include "tidewell/app/string_table.h"
#include "tidewell/transfer/ftp_job.h"
#include "tidewell/transfer/ftp_paths.h"
#include "tidewell/transfer/overwrite_answer.h"
#include "tidewell/updateset/generator_model.h"
#include "tidewell/updateset/upload_lists.h"

namespace tidewell {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kFtpOptions = {"--ftp-site",      "--user",        "--password",
                                              "--password-file", "--initial-dir", "--proxy"};

// The password: --password-file's first line, else --password, else TIDEWELL_FTP_PASSWORD
// (the last two keep it out of the process list).
std::optional<std::string> PasswordOf(const std::string& command, const GenOptions& options,
                                      std::ostream& err) {
  if (options.Has("--password-file")) {
    const std::string path = options.Get("--password-file");
    std::ifstream file(path);
    std::string line;
    if (!file || (!std::getline(file, line) && !file.eof())) {
      err << "tidewell-gen: " << command << ": cannot read the password file " << path << "\n";
      return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
  }
  if (options.Has("--password")) return options.Get("--password");
  const char* fromEnvironment = std::getenv("TIDEWELL_FTP_PASSWORD");
  return std::string(fromEnvironment != nullptr ? fromEnvironment : "");
}

// The proxy: the one given with --proxy, else the user's settings.
std::optional<FtpProxyChoice> ProxyOf(const std::string& command, const GenOptions& options,
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

FtpJob JobOf(const GenOptions& options, const std::string& password, const FtpProxyChoice& proxy,
             std::ostream& err) {
  FtpJob job;
  job.host = options.Get("--ftp-site");
  job.user = options.Get("--user");
  job.password = password;
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
  // The report keeps the window's text; the cause says what to do about it.
  if (!result.cause.empty()) err << "tidewell-gen: " << command << ": " << result.cause << "\n";
  // Only a cancelled job ends without a report of its own.
  if (result.report.empty()) err << "tidewell-gen: " << command << ": cancelled\n";
  return 1;
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
  std::vector<std::string> known = SetOptionNames();
  known.push_back("--overwrite");
  known.insert(known.end(), kFtpOptions.begin(), kFtpOptions.end());
  const auto options = ParseGenOptions(
      "upload", args, known, {"--program-dir", "--list-file", "--ftp-site", "--user"}, err);
  if (!options) return 1;
  const auto answers = OverwriteAnswers(options->Get("--overwrite", "ask"), out, err);
  const auto proxy = ProxyOf("upload", *options, err);
  const auto password = PasswordOf("upload", *options, err);
  if (!answers || !proxy || !password) return 1;
  const std::string outFolder = options->Has("--out") ? AbsolutePath(options->Get("--out")) : "";
  auto model = ModelFromOptions("upload", *options, outFolder, err);
  if (!model) return 1;
  // Everything is made in a staging folder and only kept once the upload went through.
  const StagingFolder staging(outFolder);
  if (!staging.ok()) {
    err << "tidewell-gen: upload: cannot make a temporary folder\n";
    return 1;
  }
  const std::string listFile = model->listFile;
  const std::string stagedList = staging.path() + "/list/" + fs::path(listFile).filename().string();
  FtpJob job = JobOf(*options, *password, *proxy, err);
  std::error_code ec;
  fs::create_directories(fs::path(stagedList).parent_path(), ec);
  // A signed list is signed in its packed form, so a signed set is packed before sending.
  const bool signing = !model->signingKey.empty();
  const bool staged = !outFolder.empty() || signing;
  if (staged) {
    // The set is packed once; the server gets exactly what is kept in --out.
    if (!StageUpdateSet("upload", *model, staging, err)) return 1;
  } else if (model->Files().WriteUpdateList(
                 stagedList, model->remoteWebDirectory, model->programFolder, model->windowsPrefix,
                 model->programPrefix, model->otherPrefix) != kListWritten) {
    err << "tidewell-gen: upload: cannot write the update list " << listFile << "\n";
    return 1;
  }
  if (CollectUploads(model->Files(), job.localPaths, job.remotePaths, stagedList, true) != 0) {
    out << "tidewell-gen: upload: no files to upload\n";
    return 0;
  }
  if (staged) SendStagedSet(job, staging, stagedList, signing);
  job.askOverwrite = true;
  job.askOverwriteQuestion = *answers;
  size_t sent = 0;
  job.fileDone = [&out, &sent, remote = job.remotePaths](size_t i, bool moved, uint64_t bytes) {
    if (moved) {
      ++sent;
      out << "sent " << remote[i] << " (" << GroupedNumber(bytes) << " bytes)\n";
    } else {
      out << "skipped " << remote[i] << " (the server keeps its copy)\n";
    }
  };
  const size_t count = job.remotePaths.size();
  const std::string site = "ftp://" + job.host + NormalizeInitialDir(job.initialDir);
  if (Finish("upload", StartFtpUpload(std::move(job)), err) != 0) return 1;
  if (!outFolder.empty() &&
      !CommitStagedSet("upload", *model, staging, outFolder, listFile, out, err))
    return 1;
  if (outFolder.empty() &&
      (!PlaceOutputFile(stagedList, listFile) ||
       (signing && !PlaceOutputFile(stagedList + ".sig", listFile + ".sig")))) {
    err << "tidewell-gen: upload: cannot write the update list " << listFile << "\n";
    return 1;
  }
  out << "sent " << sent << " of " << count << " files to " << site << "\n";
  return 0;
}

int RunFetchCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::vector<std::string> known = {"--out"};
  known.insert(known.end(), kFtpOptions.begin(), kFtpOptions.end());
  const auto options =
      ParseGenOptions("fetch", args, known, {"--ftp-site", "--user", "--out"}, err);
  if (!options) return 1;
  if (options->operands.empty()) {
    err << "tidewell-gen: fetch: name the server paths to fetch\n";
    return 1;
  }
  const auto proxy = ProxyOf("fetch", *options, err);
  const auto password = PasswordOf("fetch", *options, err);
  if (!proxy || !password) return 1;
  const std::string outFolder = AbsolutePath(options->Get("--out"));
  // Files arrive in a staging folder and are put in place once all of them are there.
  const StagingFolder staging(outFolder);
  if (!staging.ok()) {
    err << "tidewell-gen: fetch: cannot make a folder beside " << outFolder << "\n";
    return 1;
  }
  FtpJob job = JobOf(*options, *password, *proxy, err);
  for (const std::string& remote : options->operands) {
    const fs::path relative = fs::path(remote).relative_path().lexically_normal();
    // A server path that climbs out of the folder would write elsewhere on the disk.
    if (relative.empty() || *relative.begin() == "..") {
      err << "tidewell-gen: fetch: " << remote << " does not stay below the folder\n";
      return 1;
    }
    const fs::path local = fs::path(staging.path()) / relative;
    std::error_code ec;
    fs::create_directories(local.parent_path(), ec);
    job.remotePaths.push_back(relative.generic_string());
    job.localPaths.push_back(local.string());
  }
  std::vector<uint64_t> sizes(job.remotePaths.size());
  job.fileDone = [&sizes](size_t i, bool, uint64_t bytes) { sizes[i] = bytes; };
  const std::vector<std::string> remotePaths = job.remotePaths;
  if (Finish("fetch", StartFtpDownload(std::move(job)), err) != 0) return 1;
  if (!staging.MoveFilesInto(staging.path(), outFolder)) {
    err << "tidewell-gen: fetch: cannot move the fetched files into " << outFolder << "\n";
    return 1;
  }
  for (size_t i = 0; i < remotePaths.size(); ++i)
    out << "fetched " << remotePaths[i] << " (" << GroupedNumber(sizes[i]) << " bytes)\n";
  out << "fetched " << remotePaths.size() << " files into " << outFolder << "\n";
  return 0;
}

}  // namespace tidewell
