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

// Installs every entry that is compared and needs update, all or nothing: first a copy of
// each staged file beside its installed file (with the listed times and mode), or, for a
// file that can't be written now (in use, write-protected, locked, access denied), a copy
// in the temporary folder for the next start; then all copies are made durable at once,
// the deferrals registered in one step (0x80), and the copies renamed into place. When
// any file can be neither copied nor deferred, or its installed path would land outside
// its own folder (through ".." or a symbolic link), every copy is removed, no installed
// file changes, one line on standard error names the file and the cause, and the flags
// carry the failure.
int InstallStagedFiles(UpdateList& list);

// Removes the copies a killed installation left beside the list's files.
void RemoveCopiesLeftBeside(const UpdateList& list);

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
