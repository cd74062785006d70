#include "tidewell/app/run_messages.h"

namespace tidewell {

RunFinishedMessage RunFinishedText(int code, const std::string& productName) {
  switch (code) {
    case kRunListNotFetched:
      return {"Remote update file for " + productName + " not found.", false, ""};
    case kRunNothingToUpdate:
      return {"All files for " + productName + " are up to date.", false, ""};
    case kRunRestartNeeded:
      return {"Windows must be rebooted to complete the Update.\nDo you wish to reboot now?", true,
              "Windows not restarted.\n" + productName +
                  " may not function correctly\nuntil Windows has been restarted."};
    case kRunFilesNotFetched:
      return {"Update file retrieval was incomplete.\nYour Corvane product has not been updated.",
              false, ""};
    default:
      return {"Update complete for " + productName, false, ""};
  }
}

}  // namespace tidewell
