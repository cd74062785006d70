// Putting the staged files of a run in place.
#include "tidewell/app/installation.h"

#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <cerrno>
#include <cstring>
#include <optional>
#include <map>
#include <set>
#include <vector>

#include "tidewell/platform/durable_files.h"
#include "tidewell/platform/file_copy.h"
#include "tidewell/platform/file_status.h"
#include "tidewell/platform/folders.h"
#include "tidewell/platform/leftovers.h"
#include "tidewell/platform/pending_moves.h"
#include "tidewell/platform/system_error.h"
#include "tidewell/updateset/folder_path.h"
#include "tidewell/updateset/list_paths.h"

namespace tidewell {
namespace {

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

// The folders EnsureFolderPath would create for `folder`, deepest first.
std::vector<std::string> MissingFolders(std::string folder) {
  std::vector<std::string> missing;
  while (!folder.empty() && folder != "/" && folder != "." && !FolderExists(folder)) {
    missing.push_back(folder);
    folder = FolderOf(folder);
  }
  return missing;
}

// One installation: the copies made so far, taken back unless the installation commits.
class InstallationPlan {
 public:
  ~InstallationPlan() {
    if (!committed_) RollBack();
  }

  // A copy of entry's staged file beside its installed file; 0 or the copy's failure flag.
  int CopyBesideTarget(const UpdateEntry& entry) {
    const std::string folder = FolderOf(entry.installedPath);
    for (std::string& made : MissingFolders(folder)) createdFolders_.push_back(std::move(made));
    EnsureFolderPath(folder);
    std::string copy;
    const std::optional<mode_t> mode =
        entry.mode >= 0 ? std::optional<mode_t>(static_cast<mode_t>(entry.mode)) : std::nullopt;
    const uint32_t error = CopyBeside(entry.stagedPath, entry.installedPath, mode, copy);
    if (error != kErrorSuccess) {
      lastError_ = error;
      return MapCopyError(error);
    }
    SetFileTimes(copy, entry.created, entry.modified);
    placements_.push_back({copy, entry.installedPath});
    return 0;
  }

  // A copy of entry's staged file in the temporary folder, to replace the installed file
  // at the next start; false when it can't be made.
  bool CopyForNextStart(const UpdateEntry& entry) {
    std::string lastPart = ToSlashes(entry.name);
    lastPart = lastPart.substr(lastPart.rfind('/') + 1);
    if (lastPart.empty()) lastPart = entry.installedPath.substr(entry.installedPath.rfind('/') + 1);
    const std::string copy = MakeTempFileName(TempFolder(), "_W_" + lastPart.substr(0, 200) + ".");
    if (copy.empty()) return false;
    deferredCopies_.push_back(copy);
    lastError_ = CopyFileOver(entry.stagedPath, copy);
    if (lastError_ != kErrorSuccess) return false;
    SetFileTimes(copy, entry.created, entry.modified);
    deferrals_.push_back({copy, entry.installedPath});
    return true;
  }

  uint32_t lastError() const { return lastError_; }

  // Makes every copy durable, registers the deferrals in one step, then renames the
  // copies into place and makes their folders durable. False (nothing changed) when the
  // copies could not be flushed or the deferrals not registered.
  bool Commit(std::string& failure) {
    std::vector<std::string> copies = deferredCopies_;
    for (const PendingMove& placement : placements_) copies.push_back(placement.source);
    if (!SyncFiles(copies)) {
      failure = "the copies could not be written to disk";
      return false;
    }
    if (!deferrals_.empty()) {
      SyncFolder(TempFolder());
      if (!AddPendingMoves(deferrals_)) {
        failure = "the replacements for the next start could not be registered in " +
                  PendingMovesFilePath();
        return false;
      }
    }
    committed_ = true;
    std::set<std::string> folders;
    for (const PendingMove& placement : placements_) {
      if (::rename(placement.source.c_str(), placement.destination.c_str()) != 0) {
        std::cerr << "tidewell: cannot put " << placement.destination
                  << " in place: " << std::strerror(errno) << "\n";
        ::unlink(placement.source.c_str());
        renameFailed_ = true;
      }
      folders.insert(FolderOf(placement.destination));
    }
    for (const std::string& folder : folders) SyncFolder(folder);
    return !renameFailed_;
  }

 private:
  void RollBack() {
    for (const PendingMove& placement : placements_) ::unlink(placement.source.c_str());
    for (const std::string& copy : deferredCopies_) ::unlink(copy.c_str());
    // Folders made for new files go again, deepest first; any that holds something stays.
    for (const std::string& folder : createdFolders_) ::rmdir(folder.c_str());
  }

  std::vector<PendingMove> placements_;  // copy -> installed path
  std::vector<PendingMove> deferrals_;   // copy in the temporary folder -> installed path
  std::vector<std::string> deferredCopies_;
  std::vector<std::string> createdFolders_;
  uint32_t lastError_ = kErrorSuccess;
  bool committed_ = false;
  bool renameFailed_ = false;
};

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

void RemoveCopiesLeftBeside(const UpdateList& list) {
  std::map<std::string, std::set<std::string>> namesByFolder;
  for (const UpdateEntry& entry : list) {
    const std::string name = entry.installedPath.substr(entry.installedPath.rfind('/') + 1);
    namesByFolder[FolderOf(entry.installedPath)].insert(name.substr(0, kBesideNameLength));
  }
  for (const auto& [folder, names] : namesByFolder) RemoveCopiesBeside(folder, names);
}

int InstallStagedFiles(UpdateList& list) {
  InstallationPlan plan;
  int flags = 0;
  // Stops at the first file that can be neither installed nor deferred: nothing changes.
  const auto fail = [&](const UpdateEntry& entry, int flag, const std::string& cause) {
    std::cerr << "tidewell: cannot install " << entry.installedPath << ": " << cause << "\n";
    return flags | flag;
  };
  for (const UpdateEntry& entry : list) {
    if (!entry.compared || !entry.needsUpdate) continue;
    if (!FileExists(entry.stagedPath))
      return fail(entry, kInstallNoStagedFile, "its downloaded copy is missing");
    if (!StaysInOwnFolder(entry))
      return fail(entry, kCopyOtherFailure, "it lies outside its folder");
    const int code = plan.CopyBesideTarget(entry);
    if (code == 0) continue;
    if (!CanWaitForRestart(code)) return fail(entry, code, FileErrorText(plan.lastError()));
    if (!plan.CopyForNextStart(entry))
      return fail(
          entry, kCopyOtherFailure,
          std::string("cannot keep a copy for the next start: ") + FileErrorText(plan.lastError()));
    flags |= kInstallRebootNeeded;
  }
  std::string failure;
  if (!plan.Commit(failure)) {
    if (!failure.empty()) std::cerr << "tidewell: nothing installed: " << failure << "\n";
    return flags | kCopyOtherFailure;
  }
  return flags;
}

}  // namespace tidewell
