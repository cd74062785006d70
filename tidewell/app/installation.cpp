// Putting the staged files of a run in place.
#include "tidewell/app/installation.h"

#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <optional>

#include "tidewell/platform/file_copy.h"
#include "tidewell/platform/file_status.h"
#include "tidewell/platform/folders.h"
#include "tidewell/platform/system_error.h"
#include "tidewell/updateset/folder_path.h"
#include "tidewell/updateset/list_paths.h"

namespace tidewell {
namespace {

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The resolved form of the nearest existing folder at or above path.
std::optional<std::string> ResolveExisting(std::string path) {
  for (;;) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
      std::string resolved(real);
      std::free(real);
      return resolved;
    }
    if (path == "/" || path == ".") return std::nullopt;
    path = FolderOf(path);
  }
}

bool IsAtOrBelow(const std::string& path, const std::string& folder) {
  if (folder == "/") return true;
  return path == folder ||
         (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
          path[folder.size()] == '/');
}

// The entry's installed path stays inside the folder its section names: the name has no
// ".." and no symbolic link on the way leads out of that folder.
bool StaysInOwnFolder(const UpdateEntry& entry) {
  const std::string name = ToSlashes(entry.name);
  const std::string& path = entry.installedPath;
  if (name.empty()) return true;  // not from a list: nothing to hold it against
  if (!StaysBelowFolder(name)) return false;
  if (path.size() < name.size() || path.compare(path.size() - name.size(), name.size(), name) != 0)
    return false;
  const std::string root = path.substr(0, path.size() - name.size());
  const auto realRoot = ResolveExisting(root.empty() ? "." : root);
  const auto realParent = ResolveExisting(FolderOf(path));
  return realRoot && realParent && IsAtOrBelow(*realParent, *realRoot);
}

bool CanWaitForRestart(int code) {
  return code == kCopySharingViolation || code == kCopyWriteProtected ||
         code == kCopyLockViolation || code == kCopyAccessDenied;
}

// Keeps a copy of the staged file in the temporary folder, under a name of its own, and
// registers it for the next start. False (and no copy left) when either step fails.
bool DeferReplacement(const UpdateEntry& entry) {
  std::string lastPart = ToSlashes(entry.name);
  lastPart = lastPart.substr(lastPart.rfind('/') + 1);
  if (lastPart.empty()) lastPart = entry.installedPath.substr(entry.installedPath.rfind('/') + 1);
  const std::string copy = MakeTempFileName(TempFolder(), "_W_" + lastPart.substr(0, 200) + ".");
  if (copy.empty()) return false;
  if (CopyFileOver(entry.stagedPath, copy) != kErrorSuccess) {
    ::unlink(copy.c_str());
    return false;
  }
  SetFileTimes(copy, entry.created, entry.modified);
  if (!ScheduleReplaceOnRestart(copy, entry.installedPath)) {
    ::unlink(copy.c_str());
    return false;
  }
  return true;
}

}  // namespace

int MapCopyError(uint32_t systemError) {
  switch (systemError) {
    case kErrorSuccess:
      return 0;
    case kErrorAccessDenied:
      return kCopyAccessDenied;
    case kErrorWriteProtect:
      return kCopyWriteProtected;
    case kErrorSharingViolation:
      return kCopySharingViolation;
    case kErrorLockViolation:
      return kCopyLockViolation;
    case kErrorHandleDiskFull:
      return kCopyDiskFull;
    default:
      return kCopyOtherFailure;
  }
}

int InstallStagedFiles(UpdateList& list) {
  int flags = 0;
  for (const UpdateEntry& entry : list) {
    if (!entry.compared || !entry.needsUpdate) continue;
    if (!FileExists(entry.stagedPath)) {
      flags |= kInstallNoStagedFile;
      continue;
    }
    if (!StaysInOwnFolder(entry)) {
      std::cerr << "tidewell: " << entry.installedPath
                << " lies outside its folder; not installed\n";
      flags |= kCopyOtherFailure;
      continue;
    }
    EnsureFolderPath(FolderOf(entry.installedPath));

    const int code =
        MapCopyError(CopyFileOver(entry.stagedPath, entry.installedPath, NewFileMode::Default));
    if (code == 0) {
      SetFileTimes(entry.installedPath, entry.created, entry.modified);
    } else if (CanWaitForRestart(code)) {
      if (DeferReplacement(entry)) {
        flags |= kInstallRebootNeeded;
      } else {
        std::cerr << "tidewell: cannot keep " << entry.installedPath
                  << " for replacement at the next start\n";
        flags |= kCopyOtherFailure;
      }
    } else {
      // The old file keeps its own times, so the next run still sees it as out of date.
      flags |= code;
    }
  }
  return flags;
}

}  // namespace tidewell
