#include "tidewell/app/move_file.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "tidewell/platform/file_copy.h"
#include "tidewell/platform/folders.h"
#include "tidewell/platform/system_error.h"

namespace tidewell {
namespace {

// Copies the file's bytes into an open descriptor (a device or pipe).
bool CopyInto(const std::string& from, int to) {
  const int source = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (source < 0) return false;
  char buffer[65536];
  bool ok = true;
  for (;;) {
    const ssize_t got = ::read(source, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      ok = got == 0;
      break;
    }
    for (ssize_t done = 0; ok && done < got;) {
      const ssize_t put = ::write(to, buffer + done, static_cast<size_t>(got - done));
      if (put < 0 && errno == EINTR) continue;
      ok = put > 0;
      done += put > 0 ? put : 0;
    }
    if (!ok) break;
  }
  ::close(source);
  return ok;
}

// Where a chain of symbolic links ends, also when the last one points at nothing yet.
std::string LinkTarget(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    char text[PATH_MAX];
    const ssize_t length = ::readlink(path.c_str(), text, sizeof text - 1);
    if (length < 0) return path;
    const std::filesystem::path target(std::string(text, static_cast<size_t>(length)));
    path = (target.is_absolute() ? target : std::filesystem::path(FolderOf(path)) / target)
               .lexically_normal()
               .string();
  }
  return "";
}

// The descriptor a name stands for: "-", /dev/stdout and /dev/stderr, /dev/fd/N and
// /proc/self/fd/N. Written through it, output redirected to a file keeps the shell's
// offset (and appending); -1 for any other name.
int OpenDescriptorOf(const std::string& name) {
  if (name == "-" || name == "/dev/stdout") return STDOUT_FILENO;
  if (name == "/dev/stderr") return STDERR_FILENO;
  for (const char* prefix : {"/dev/fd/", "/proc/self/fd/"}) {
    const std::string start(prefix);
    if (name.size() > start.size() && name.compare(0, start.size(), start) == 0 &&
        name.find_first_not_of("0123456789", start.size()) == std::string::npos)
      return std::stoi(name.substr(start.size()));
  }
  return -1;
}

}  // namespace

bool PlaceOutputFile(const std::string& from, const std::string& to) {
  struct stat st {};
  const int named = OpenDescriptorOf(to);
  if (named >= 0 ||
      (::stat(to.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))) {
    const int fd = named >= 0 ? named : ::open(to.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = CopyInto(from, fd);
    if (named < 0) ::close(fd);
    if (ok) ::unlink(from.c_str());
    return ok;
  }
  const std::string target = LinkTarget(to);
  return !target.empty() && MoveFinishedFile(from, target);
}

bool MoveFinishedFile(const std::string& from, const std::string& to) {
  return MoveFileOver(from, to, NewFileMode::Default) == kErrorSuccess;
}

}  // namespace tidewell
