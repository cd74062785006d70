#include "tidewell/platform/advisory_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tidewell {
namespace {

// A POSIX record lock or open-file-description lock of another owner on any byte.
bool RecordLocked(int fd, int command) {
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  probe.l_start = 0;
  probe.l_len = 0;  // the whole file
  probe.l_pid = 0;
  if (::fcntl(fd, command, &probe) != 0) return false;
  return probe.l_type != F_UNLCK;
}

// flock() locks belong to open file descriptions, so a non-blocking exclusive attempt on
// our own fresh descriptor fails exactly when someone else holds one.
bool FlockHeld(int fd) {
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
    ::flock(fd, LOCK_UN);
    return false;
  }
  return errno == EWOULDBLOCK;
}

}  // namespace

bool LockedByAnotherProcess(const std::string& path) {
  // A symbolic link in the file's place is replaced, not written through, so only a
  // regular file of its own can be in the way.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st {};
  const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  const bool locked =
      regular && (FlockHeld(fd) || RecordLocked(fd, F_OFD_GETLK) || RecordLocked(fd, F_GETLK));
  ::close(fd);
  return locked;
}

}  // namespace tidewell
