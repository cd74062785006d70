#include "tidewell/platform/file_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "tidewell/platform/advisory_lock.h"
#include "tidewell/platform/file_status.h"
#include "tidewell/platform/system_error.h"

namespace tidewell {
namespace {

constexpr mode_t kPermissionBits = 07777;

mode_t DefaultFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// Closes a descriptor when it goes out of scope.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  // Closes now; false when the close reported a failure (a late write error).
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

// A temporary file beside the destination, removed unless it was renamed into place.
class BesideFile {
 public:
  explicit BesideFile(const std::string& destination) {
    const size_t slash = destination.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : destination.substr(0, slash + 1);
    const std::string base =
        slash == std::string::npos ? destination : destination.substr(slash + 1);
    // Short enough for any file system's name limit.
    path_ = folder + "." + base.substr(0, kBesideNameLength) + ".XXXXXX" +
            std::string(kBesideCopySuffix);
    std::vector<char> buf(path_.begin(), path_.end());
    buf.push_back('\0');
    fd_ = ::mkostemps(buf.data(), static_cast<int>(kBesideCopySuffix.size()), O_CLOEXEC);
    error_ = fd_ < 0 ? errno : 0;
    path_.assign(buf.data());
  }
  ~BesideFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!placed_ && error_ == 0) ::unlink(path_.c_str());
  }
  BesideFile(const BesideFile&) = delete;
  BesideFile& operator=(const BesideFile&) = delete;

  int fd() const { return fd_; }
  int error() const { return error_; }
  const std::string& path() const { return path_; }
  // Closes the file and leaves it for the caller; errno value or 0.
  int Keep() {
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return errno;
    placed_ = true;
    return 0;
  }
  // Flushes, closes and renames the file over destination; errno value or 0.
  int PlaceAt(const std::string& destination) {
    if (::fsync(fd_) != 0) return errno;
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return errno;
    if (::rename(path_.c_str(), destination.c_str()) != 0) return errno;
    placed_ = true;
    return 0;
  }

 private:
  std::string path_;
  int fd_ = -1;
  int error_ = 0;
  bool placed_ = false;
};

// Copies all bytes; errno value or 0.
int CopyData(int from, int to) {
  std::vector<char> buffer(1 << 18);
  for (;;) {
    const ssize_t got = ::read(from, buffer.data(), buffer.size());
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (got == 0) return 0;
    ssize_t done = 0;
    while (done < got) {
      const ssize_t put = ::write(to, buffer.data() + done, static_cast<size_t>(got - done));
      if (put < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      done += put;
    }
  }
}

// The permission bits the destination is to get, and whether it existed.
mode_t TargetMode(const struct stat& source, const std::string& destination,
                  NewFileMode newFileMode, struct stat* replaced) {
  if (::stat(destination.c_str(), replaced) == 0 && S_ISREG(replaced->st_mode))
    return replaced->st_mode & kPermissionBits;
  replaced->st_mode = 0;
  return newFileMode == NewFileMode::Default ? DefaultFileMode() : (source.st_mode & 0777);
}

// Fills a new file beside destination with source's bytes, mode and owner; the caller
// places or keeps it.
uint32_t FillBeside(const std::string& source, const std::string& destination,
                    std::optional<mode_t> givenMode, NewFileMode newFileMode, BesideFile& beside) {
  if (source.empty() || destination.empty()) return kErrorFileNotFound;
  if (LockedByAnotherProcess(destination)) return kErrorSharingViolation;

  Descriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.get() < 0) return SystemErrorFromErrno(errno);
  struct stat sourceStat {};
  if (::fstat(in.get(), &sourceStat) != 0) return SystemErrorFromErrno(errno);
  if (!S_ISREG(sourceStat.st_mode)) return kErrorGenFailure;

  struct stat destinationStat {};
  const bool destinationExists = ::lstat(destination.c_str(), &destinationStat) == 0;
  // A folder in the way will not go away by waiting for the next start.
  if (destinationExists && S_ISDIR(destinationStat.st_mode)) return kErrorGenFailure;

  struct stat replaced {};
  mode_t mode = TargetMode(sourceStat, destination, newFileMode, &replaced);
  if (givenMode) mode = *givenMode & 0777;

  if (beside.fd() < 0) return SystemErrorFromErrno(beside.error());
  if (int error = CopyData(in.get(), beside.fd())) return SystemErrorFromErrno(error);
  if (replaced.st_mode != 0 && ::fchown(beside.fd(), replaced.st_uid, replaced.st_gid) != 0) {
    // Only the owner's own files can be given away; the permission bits still apply.
  }
  if (::fchmod(beside.fd(), mode) != 0) return SystemErrorFromErrno(errno);
  // A copy keeps the source's last-write time, as the platform's copy does.
  const struct timespec times[2] = {{0, UTIME_OMIT}, sourceStat.st_mtim};
  ::futimens(beside.fd(), times);
  return kErrorSuccess;
}

}  // namespace

uint32_t CopyBeside(const std::string& source, const std::string& destination,
                    std::optional<mode_t> mode, std::string& copyPath) {
  copyPath.clear();
  BesideFile beside(destination);
  if (uint32_t error = FillBeside(source, destination, mode, NewFileMode::Default, beside))
    return error;
  if (int error = beside.Keep()) return SystemErrorFromErrno(error);
  copyPath = beside.path();
  return kErrorSuccess;
}

uint32_t CopyFileOver(const std::string& source, const std::string& destination,
                      NewFileMode newFileMode) {
  BesideFile beside(destination);
  if (uint32_t error = FillBeside(source, destination, std::nullopt, newFileMode, beside))
    return error;
  return SystemErrorFromErrno(beside.PlaceAt(destination));
}

uint32_t MoveFileOver(const std::string& source, const std::string& destination,
                      NewFileMode newFileMode) {
  if (source.empty() || destination.empty()) return kErrorFileNotFound;
  if (LockedByAnotherProcess(destination)) return kErrorSharingViolation;

  struct stat sourceStat {};
  if (::lstat(source.c_str(), &sourceStat) != 0) return SystemErrorFromErrno(errno);
  if (!S_ISREG(sourceStat.st_mode)) return kErrorGenFailure;
  struct stat replaced {};
  const mode_t mode = TargetMode(sourceStat, destination, newFileMode, &replaced);
  ::chmod(source.c_str(), mode);

  if (::rename(source.c_str(), destination.c_str()) == 0) return kErrorSuccess;
  if (errno != EXDEV) return SystemErrorFromErrno(errno);

  const auto status = GetFileStatus(source);
  if (uint32_t error = CopyFileOver(source, destination, newFileMode)) return error;
  if (status) SetFileTimes(destination, status->created, status->modified);
  ::unlink(source.c_str());
  return kErrorSuccess;
}

}  // namespace tidewell
