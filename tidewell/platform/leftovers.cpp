#include "tidewell/platform/leftovers.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <vector>

#include "tidewell/platform/file_copy.h"
#include "tidewell/platform/folders.h"
#include "tidewell/platform/run_lock.h"

namespace tidewell {
namespace {

constexpr time_t kUnpackFileAge = 60 * 60;
// A staging folder without its lock file is another run's for the moment between its
// mkdir and its lock, or an older program's; it is left alone for this long.
constexpr time_t kUnlockedStagingAge = 10 * 60;

std::vector<std::string> NamesIn(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
  }
  return names;
}

bool StartsWith(const std::string& text, std::string_view part) {
  return text.compare(0, part.size(), part) == 0;
}

bool EndsWith(const std::string& text, std::string_view part) {
  return text.size() >= part.size() &&
         text.compare(text.size() - part.size(), part.size(), part) == 0;
}

void RemoveTree(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

}  // namespace

void RemoveLeftoversOfEndedRuns(const std::string& tempFolder) {
  const time_t now = std::time(nullptr);
  for (const std::string& name : NamesIn(tempFolder)) {
    const std::string path = JoinPath(tempFolder, name);
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) continue;
    if (S_ISDIR(status.st_mode) && StartsWith(name, "td")) {
      const std::string lock = JoinPath(path, kStagingLockName);
      if (FileExists(lock) ? NobodyHolds(lock) : now - status.st_mtime > kUnlockedStagingAge)
        RemoveTree(path);
    } else if (S_ISDIR(status.st_mode) && StartsWith(name, kRuntimeFolderPrefix)) {
      if (NobodyHolds(path)) RemoveTree(path);
    } else if (S_ISREG(status.st_mode) && StartsWith(name, "tidewell-") &&
               EndsWith(name, ".lock")) {
      if (auto lock = LockFile::TryTake(path)) lock->Remove();
    } else if (S_ISREG(status.st_mode) && StartsWith(name, "ucf") &&
               now - status.st_mtime > kUnpackFileAge) {
      ::unlink(path.c_str());
    }
  }
}

void RemoveCopiesBeside(const std::string& folder, const std::set<std::string>& names) {
  constexpr size_t kRandomPart = 7;  // ".XXXXXX"
  for (const std::string& name : NamesIn(folder)) {
    if (name.size() < 1 + kRandomPart + kBesideCopySuffix.size() + 1 || name.front() != '.' ||
        !EndsWith(name, kBesideCopySuffix))
      continue;
    const size_t baseLength = name.size() - 1 - kRandomPart - kBesideCopySuffix.size();
    if (names.count(name.substr(1, baseLength)) != 0) ::unlink(JoinPath(folder, name).c_str());
  }
}

}  // namespace tidewell
