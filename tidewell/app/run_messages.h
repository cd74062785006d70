#pragma once

#include <string>

namespace tidewell {

// Result codes of an update run, as posted with WM_RUN_FINISHED.
enum RunResult : int {
  kRunUpdated = 0,
  kRunListNotFetched = 1,
  kRunNothingToUpdate = 2,
  kRunRestartNeeded = 3,
  kRunFilesNotFetched = 4,
};

// The one message shown when a run ends. For a restart question the text is asked
// as Yes/No: Yes restarts the machine and shows nothing more, No shows noText.
struct RunFinishedMessage {
  std::string text;
  bool askRestart = false;
  std::string noText;
};

RunFinishedMessage RunFinishedText(int code, const std::string& productName);

}  // namespace tidewell
