#include "tidewell/app/installation.h"
#include "tidewell/platform/pending_moves.h"

namespace tidewell {

// There is no delayed move on this platform, so the [Rename] section of WinInit.Ini is
// always the way.
int ScheduleReplaceOnRestart(const std::string& source, const std::string& destination) {
  return AddPendingMove(source, destination) ? 1 : 0;
}

}  // namespace tidewell
