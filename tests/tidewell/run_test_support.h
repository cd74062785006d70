#pragma once
// A sandboxed machine for whole update runs: a machine hive, a Windows folder, a
// temporary folder, an installed product, and the product's next release packed into an
// update set that a real HTTP server on 127.0.0.1 serves.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app_test_support.h"
#include "test_servers.h"
#include "tidewell/app/message_boxes.h"

namespace run_test {

inline constexpr int64_t kOldTime = 1500000000;      // 2017: the installed version
inline constexpr int64_t kNewCreated = 1690000000;   // 2023: the release
inline constexpr int64_t kNewModified = 1700000000;  // 2023

class RunWorld {
 public:
  RunWorld();
  ~RunWorld();
  RunWorld(const RunWorld&) = delete;
  RunWorld& operator=(const RunWorld&) = delete;

  // The sandbox's folders, each ending with '/'.
  std::string Root() const { return root_.path(); }
  std::string Installed() const { return root_ / "installed/"; }
  std::string Windows() const { return root_ / "windows/"; }
  std::string Temp() const { return root_ / "tmp/"; }
  std::string Served() const { return root_ / "served/"; }
  std::string Shared() const { return root_ / "shared/"; }

  // Makes the product installed at Installed() (or, with registered false, absent).
  void Register(const std::string& product, bool registered = true);

  // A file of the next release: below the program folder, in the Windows folder, or
  // in the shared folder (an "Other Files" entry installed there). Given the release times.
  void AddProgramFile(const std::string& name, const std::string& bytes);
  void AddWindowsFile(const std::string& name, const std::string& bytes);
  void AddOtherFile(const std::string& name, const std::string& bytes);
  // A file as installed now, with old times.
  void InstallOld(const std::string& path, const std::string& bytes);

  // Starts the HTTP server over Served() and points the update server address at it.
  bool StartServer();
  // The same with a server of the caller's, reached at baseUrl ("scheme://host:port/").
  bool UseServer(std::unique_ptr<tidewell_test::ServerProcess> server, const std::string& baseUrl);
  std::string ServerUrl(const std::string& path) const { return server_->Url("/" + path); }

  // Packs the release into Served() with its list listName, checking modification time
  // and size. The "Other Files" stay where they are, so they are removed from there
  // afterwards unless keepOthers.
  bool BuildUpdateSet(const std::string& listName = "leafline.tdu", bool keepOthers = false);
  // The secret key BuildUpdateSet signs the list with; empty: not signed.
  std::string signingKey;

  // Entries of the temporary folder (staging folders and kept copies).
  std::vector<std::string> TempEntries() const;

 private:
  // The application exists before TMPDIR points into the sandbox, so that Qt's own
  // runtime folder is not made there.
  struct ApplicationFirst {
    ApplicationFirst() { tidewell_test::EnsureGuiApplication(); }
  } application_;
  tidewell_test::ScratchFolder root_;
  std::vector<std::string> programFiles_;
  std::vector<std::string> windowsFiles_;
  std::vector<std::string> otherFiles_;
  std::unique_ptr<tidewell_test::ServerProcess> server_;
  std::string baseUrl_ = "http://127.0.0.1:9/";
  app_test::ScopedEnv hive_;
  app_test::ScopedEnv windows_;
  app_test::ScopedEnv temp_;
  std::unique_ptr<app_test::ScopedEnv> updateServer_;
};

// Message boxes that record their texts and give a fixed answer to questions.
class RecordedBoxes : public tidewell::MessageBoxes {
 public:
  void ShowMessage(const std::string& text) override { shown.push_back(text); }
  bool AskYesNo(const std::string& text) override {
    shown.push_back(text);
    return answerYes;
  }
  std::vector<std::string> shown;
  bool answerYes = false;
};

// Stamps a file with the given times.
void SetTimes(const std::string& path, int64_t created, int64_t modified);
// Modification time of a file (-1 when it can't be read) and creation time.
int64_t ModifiedTime(const std::string& path);
int64_t CreatedTime(const std::string& path);

}  // namespace run_test
