#include "run_test_support.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "tidewell/app/string_table.h"
#include "tidewell/platform/file_status.h"
#include "tidewell/updateset/folder_path.h"
#include "tidewell/updateset/generator_model.h"

extern char** environ;

namespace run_test {
namespace {

namespace fs = std::filesystem;

std::string MakeFolders(const tidewell_test::ScratchFolder& root) {
  for (const char* name :
       {"installed", "windows", "tmp", "served", "shared", "release", "release-windows"})
    fs::create_directories(root / name);
  return root / "windows";
}

void WriteWithTimes(const std::string& path, const std::string& bytes, int64_t created,
                    int64_t modified) {
  tidewell::EnsureFolderPath(path.substr(0, path.rfind('/')));
  tidewell_test::WriteWholeFile(path, bytes);
  SetTimes(path, created, modified);
}

}  // namespace

RunWorld::RunWorld()
    : hive_("TIDEWELL_HKLM", root_ / "machine.reg"),
      windows_("TIDEWELL_WINDIR", MakeFolders(root_)),
      temp_("TMPDIR", root_ / "tmp") {
  tidewell_test::WriteWholeFile(root_ / "machine.reg",
                                "Windows Registry Editor Version 5.00\r\n\r\n");
}

RunWorld::~RunWorld() = default;

void RunWorld::Register(const std::string& product, bool registered) {
  const std::string body = registered ? app_test::InstalledProduct(product, Installed()) : "";
  tidewell_test::WriteWholeFile(root_ / "machine.reg",
                                "Windows Registry Editor Version 5.00\r\n\r\n" + body);
}

void RunWorld::AddProgramFile(const std::string& name, const std::string& bytes) {
  WriteWithTimes(root_ / ("release/" + name), bytes, kNewCreated, kNewModified);
  programFiles_.push_back(root_ / ("release/" + name));
}

void RunWorld::AddWindowsFile(const std::string& name, const std::string& bytes) {
  WriteWithTimes(root_ / ("release-windows/" + name), bytes, kNewCreated, kNewModified);
  windowsFiles_.push_back(root_ / ("release-windows/" + name));
}

void RunWorld::AddOtherFile(const std::string& name, const std::string& bytes) {
  WriteWithTimes(Shared() + name, bytes, kNewCreated, kNewModified);
  otherFiles_.push_back(Shared() + name);
}

void RunWorld::InstallOld(const std::string& path, const std::string& bytes) {
  WriteWithTimes(path, bytes, kOldTime, kOldTime);
}

bool RunWorld::StartServer() {
  auto server = tidewell_test::StartPlainHttpServer(Served());
  const std::string baseUrl = server ? server->Url("/") : "";
  return UseServer(std::move(server), baseUrl);
}

bool RunWorld::UseServer(std::unique_ptr<tidewell_test::ServerProcess> server,
                         const std::string& baseUrl) {
  if (!server) return false;
  server_ = std::move(server);
  baseUrl_ = baseUrl;
  updateServer_.reset();  // gives back the value it replaced before the new one is set
  updateServer_ = std::make_unique<app_test::ScopedEnv>("TIDEWELL_UPDATE_SERVER", baseUrl);
  return true;
}

bool RunWorld::CutOffFilesEndingIn(const std::string& name) {
  if (!server_) return false;
  const int port = server_->port();
  server_->Stop();
  return server_->Start({"/usr/bin/python3", tidewell_test::ServerScript("http_test_server.py"),
                         "--port", std::to_string(port), "--root", Served(), "--cut", name},
                        port);
}

bool RunWorld::BuildUpdateSet(const std::string& listName, bool keepOthers) {
  // The release's Windows files lie in a Windows folder of the release machine.
  app_test::ScopedEnv releaseWindows("TIDEWELL_WINDIR", root_ / "release-windows");
  tidewell::GeneratorModel model(tidewell::LoadString(tidewell::kStrPassPhrase));
  model.programFolder = root_ / "release";
  model.listFile = Served() + listName;
  model.localUpdateSetFolder = root_ / "served";
  model.remoteWebDirectory = baseUrl_;
  model.signingKey = signingKey;
  std::vector<std::string> files = programFiles_;
  files.insert(files.end(), windowsFiles_.begin(), windowsFiles_.end());
  files.insert(files.end(), otherFiles_.begin(), otherFiles_.end());
  model.AddFiles(files);
  std::vector<size_t> all(model.Files().Count());
  for (size_t i = 0; i < all.size(); ++i) all[i] = i;
  model.SetCheck(tidewell::CheckFlag::Modify, all, true);
  model.SetCheck(tidewell::CheckFlag::Size, all, true);
  const bool complete = model.SaveUpdateSetLocally().Complete();
  if (!keepOthers)
    for (const std::string& path : otherFiles_) fs::remove(path);
  return complete;
}

std::vector<std::string> RunWorld::TempEntries() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(Temp()))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

void SetTimes(const std::string& path, int64_t created, int64_t modified) {
  tidewell::SetFileTimes(path, created, modified);
}

int64_t ModifiedTime(const std::string& path) {
  const auto status = tidewell::GetFileStatus(path);
  return status ? status->modified : -1;
}

int64_t CreatedTime(const std::string& path) {
  const auto status = tidewell::GetFileStatus(path);
  return status ? status->created : -1;
}

ProgramProcess::ProgramProcess(const std::string& program, const std::vector<std::string>& args,
                               const std::string& scratch) {
  static int counter = 0;
  const std::string tag = std::to_string(::getpid()) + "-" + std::to_string(++counter);
  outPath_ = scratch + "program-" + tag + ".out";
  errPath_ = scratch + "program-" + tag + ".err";
  std::vector<std::string> argv = {std::string(BUILD_DIR) + "/bin/" + program};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> pointers;
  for (std::string& arg : argv) pointers.push_back(arg.data());
  pointers.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath_.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath_.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (posix_spawn(&pid_, pointers[0], &actions, nullptr, pointers.data(), environ) != 0) pid_ = -1;
  posix_spawn_file_actions_destroy(&actions);
}

ProgramProcess::~ProgramProcess() {
  if (pid_ > 0) Kill();
}

ProgramResult ProgramProcess::Wait() {
  ProgramResult result;
  if (pid_ <= 0) return result;
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      status = -1;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  pid_ = -1;
  if (status != -1 && WIFEXITED(status)) result.status = WEXITSTATUS(status);
  result.out = tidewell_test::ReadWholeFile(outPath_);
  result.err = tidewell_test::ReadWholeFile(errPath_);
  fs::remove(outPath_);
  fs::remove(errPath_);
  return result;
}

ProgramResult ProgramProcess::Kill() {
  if (pid_ > 0) kill(pid_, SIGKILL);
  return Wait();
}

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::string& scratch) {
  return ProgramProcess(program, args, scratch).Wait();
}

ProgramResult RunTidewell(const std::vector<std::string>& args, const std::string& scratch) {
  return RunProgram("tidewell", args, scratch);
}

}  // namespace run_test
