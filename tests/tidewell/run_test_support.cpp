#include "run_test_support.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "tidewell/app/string_table.h"
#include "tidewell/platform/file_status.h"
#include "tidewell/updateset/folder_path.h"
#include "tidewell/updateset/generator_model.h"

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

}  // namespace run_test
