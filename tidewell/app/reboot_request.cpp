#include "tidewell/app/reboot_request.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>

extern char** environ;

namespace tidewell {

std::string RebootCommand() {
  const char* command = std::getenv("TIDEWELL_REBOOT_COMMAND");
  return command != nullptr && *command != '\0' ? command : "systemctl reboot";
}

bool RequestReboot() {
  const std::string command = RebootCommand();
  char sh[] = "/bin/sh";
  char dashC[] = "-c";
  std::string text = command;
  char* argv[] = {sh, dashC, text.data(), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, sh, nullptr, nullptr, argv, environ) != 0) return false;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace tidewell
