#pragma once
// Putting the staged files of an update run in place, deferring to the next start the
// ones that are in use, and removing the run's staging folder afterwards.
#include <cstdint>
#include <string>

#include "tidewell/updateset/update_list.h"

namespace tidewell {

// Bits of the flags word InstallStagedFiles returns.
inline constexpr int kInstallNoStagedFile = 0x01;   // an entry to update had no staged file
inline constexpr int kCopySharingViolation = 0x02;  // (deferred, never left in the word)
inline constexpr int kCopyWriteProtected = 0x04;    // (deferred, never left in the word)
inline constexpr int kCopyLockViolation = 0x08;     // (deferred, never left in the word)
inline constexpr int kCopyAccessDenied = 0x10;      // (deferred, never left in the word)
inline constexpr int kCopyDiskFull = 0x20;
inline constexpr int kCopyOtherFailure = 0x40;
inline constexpr int kInstallRebootNeeded = 0x80;  // a replacement waits for the next start

// Copies every entry that is compared and needs update from its staged path over its
// installed path and gives it the listed times. A file that can't be written now (in use,
// write-protected, locked, access denied) is copied to a file of its own in the temporary
// folder and registered for the next start (0x80). Entries whose installed path would
// land outside their own folder (through ".." or a symbolic link) are refused (0x40).
int InstallStagedFiles(UpdateList& list);

// The flag of a copy failure's system error number (system_error.h): 0 for success,
// 0x10 access denied, 0x04 write protect, 0x02 sharing violation, 0x08 lock violation,
// 0x20 disk full, 0x40 anything else.
int MapCopyError(uint32_t systemError);

// Registers that source is to be moved over destination at the next start (an empty
// destination deletes source then). Non-zero when registered, 0 when not.
int ScheduleReplaceOnRestart(const std::string& source, const std::string& destination);

// Deletes the folder with all its files and subfolders. Symbolic links are removed, never
// followed. A file that can't be deleted stays, and then the folders above it stay too.
void DeleteFolderTree(const std::string& folder);

}  // namespace tidewell
