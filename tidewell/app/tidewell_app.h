#pragma once
// The application object: chooses the program's face from its command line, prepares
// and starts update runs, and ends the program with the run's final message.
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "tidewell/transfer/window_message.h"

namespace tidewell {

class MessageBoxes;
class UpdateRun;
class UpdateRunDialog;

// Exit statuses of a start-up that ends without a run (a run ends with its result code).
inline constexpr int kExitNoRun = 0;
inline constexpr int kExitGeneratorUnavailable = 1;
inline constexpr int kExitUnknownProduct = 5;

// What the custom update window collects.
struct CustomUpdateValues {
  std::string listUrl;
  std::string targetFolder;
  std::string productName;
};

class TidewellApp : public MessageReceiver {
 public:
  // showWindows false runs without any window (message boxes go to `boxes` alone).
  TidewellApp(MessageBoxes& boxes, bool showWindows, std::ostream& diagnostics);
  ~TidewellApp() override;

  // What ends the program once the result was shown; QCoreApplication::exit by default.
  void SetQuitHandler(std::function<void(int)> quit) { quit_ = std::move(quit); }
  // Values the custom update window starts with (and, without windows, takes as typed).
  void SetCustomValues(const CustomUpdateValues& values) { customValues_ = values; }
  // The key update lists must be signed with (--public-key); without one, the product's
  // configured key, if any.
  void SetPublicKeyPath(const std::string& path) { publicKeyPath_ = path; }

  // Start-up on a command line. True when a run was started and the program is to go
  // on until its result arrives; false when it is to end now with exitStatus().
  bool InitInstance(const std::string& commandLine);

  // Prepares and starts a run for a product of the table (in its window when the program
  // shows windows). The run stays owned here; null when none was started.
  UpdateRun* StartProductRun(const std::string& productName, int position);
  // Prepares and starts a run from the custom update window's values.
  UpdateRun* StartCustomRun(const CustomUpdateValues& values);

  // WM_RUN_FINISHED: shows the final message (with the restart question for code 3)
  // and ends the program with the code as its exit status.
  void OnRunFinished(int code);

  int exitStatus() const { return exitStatus_; }
  bool showWindows() const { return showWindows_; }
  MessageBoxes& messageBoxes() { return boxes_; }
  // The running run's window (null without windows or once the result arrived).
  UpdateRunDialog* mainWindow() const { return mainWindow_; }
  const std::string& stagingFolder() const { return stagingFolder_; }
  const std::string& productName() const { return productName_; }

 protected:
  void OnWindowMessage(unsigned message, uintptr_t wParam, intptr_t lParam) override;

 private:
  UpdateRun* StartPreparedRun(const std::string& productName, const std::string& installFolder,
                              const std::string& listUrl);
  bool RunProductListWindow();
  bool RunCustomUpdate();
  bool RunGeneratorWindow();

  MessageBoxes& boxes_;
  bool showWindows_;
  std::ostream& diagnostics_;
  std::function<void(int)> quit_;
  CustomUpdateValues customValues_;
  std::string publicKeyPath_;
  int exitStatus_ = kExitNoRun;
  bool finished_ = false;  // a result has arrived

  std::string stagingFolder_;
  std::string productName_;
  std::unique_ptr<UpdateRunDialog> runWindow_;  // these live until the program ends
  std::unique_ptr<UpdateRun> windowlessRun_;
  UpdateRunDialog* mainWindow_ = nullptr;
};

}  // namespace tidewell
