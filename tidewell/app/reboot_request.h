#pragma once
#include <string>

namespace tidewell {

// The command that restarts the machine: TIDEWELL_REBOOT_COMMAND, or "systemctl reboot".
std::string RebootCommand();

// Runs the restart command through /bin/sh and waits for it. True when it ran and
// exited with status 0.
bool RequestReboot();

}  // namespace tidewell
