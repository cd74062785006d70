#pragma once
// Helpers for the installation and deferred-replacement tests: a child process that holds
// a file under an advisory lock, and a scratch Windows folder and temporary folder.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform_test_support.h"

namespace install_test {

// Another process holding a lock on a file until the object goes away: flock() or a POSIX
// record lock (fcntl), the two ways programs here mark a file as in use.
class LockHolder {
 public:
  enum class Kind { Flock, Record };

  LockHolder(const std::string& path, Kind kind) {
    int ready[2], release[2];
    if (::pipe(ready) != 0 || ::pipe(release) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      // Child: only async-signal-safe calls from here on.
      // Keep only our two pipe ends: an inherited end of another holder's pipe would keep
      // that holder's child waiting.
      for (int other = 3; other < 1024; ++other)
        if (other != ready[1] && other != release[0]) ::close(other);
      const int fd = ::open(path.c_str(), O_RDWR);
      bool locked = false;
      if (fd >= 0 && kind == Kind::Flock) locked = ::flock(fd, LOCK_EX) == 0;
      if (fd >= 0 && kind == Kind::Record) {
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        locked = ::fcntl(fd, F_SETLK, &lock) == 0;
      }
      const char answer = locked ? 'y' : 'n';
      if (::write(ready[1], &answer, 1) != 1) ::_exit(2);
      char ignored;
      while (::read(release[0], &ignored, 1) < 0) {
      }
      ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    release_ = release[1];
    char answer = 'n';
    locked_ = ::read(ready[0], &answer, 1) == 1 && answer == 'y';
    ::close(ready[0]);
  }
  ~LockHolder() { Release(); }
  LockHolder(const LockHolder&) = delete;
  LockHolder& operator=(const LockHolder&) = delete;

  bool locked() const { return locked_; }
  void Release() {
    if (pid_ <= 0) return;
    ::close(release_);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  bool locked_ = false;
};

// A scratch tree with a Windows folder and a temporary folder, both put into the
// environment for the test's lifetime.
class InstallWorld {
 public:
  InstallWorld()
      : windows_(root_ / "windows"),
        temp_(root_ / "tmp"),
        windowsEnv_("TIDEWELL_WINDIR", MakeFolder(windows_)),
        tempEnv_("TMPDIR", MakeFolder(temp_)) {}

  std::string operator/(const std::string& name) const { return root_ / name; }
  const std::string& Root() const { return root_.Path(); }
  const std::string& Windows() const { return windows_; }
  const std::string& Temp() const { return temp_; }
  std::string WinInit() const { return windows_ + "/WinInit.Ini"; }

 private:
  static std::string MakeFolder(const std::string& path) {
    ::mkdir(path.c_str(), 0755);
    return path;
  }
  platform_test::ScratchFolder root_;
  std::string windows_, temp_;
  platform_test::ScopedEnv windowsEnv_, tempEnv_;
};

inline mode_t PermissionBits(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

}  // namespace install_test
