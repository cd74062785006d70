#pragma once
// Exclusive locks that mark what a live run owns: a lock file held with flock for the
// life of the object. The kernel lets go when the process ends, however it ends, so a
// lock that can be taken belongs to a run no longer alive.
#include <memory>
#include <string>

namespace tidewell {

class LockFile {
 public:
  // Takes the lock on path (creating the file) without waiting. Null when another process
  // holds it or the file can't be made.
  static std::unique_ptr<LockFile> TryTake(const std::string& path);
  // Lets go (the file stays, unless Remove was called).
  ~LockFile();
  LockFile(const LockFile&) = delete;
  LockFile& operator=(const LockFile&) = delete;

  // Removes the file while still holding it, so nobody takes a lock on a name that is
  // going away (TryTake checks that the file it locked is still the one named).
  void Remove();
  const std::string& path() const { return path_; }

 private:
  LockFile(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
  std::string path_;
  int fd_;
};

// True when the file or folder at path can be locked right now: no live process holds it.
bool NobodyHolds(const std::string& path);

}  // namespace tidewell
