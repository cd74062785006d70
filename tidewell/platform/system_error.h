#pragma once
// System error numbers of the desktop platform, which the installation step maps to its
// failure flags. File operations here report these instead of errno values.
#include <cstdint>

namespace tidewell {

inline constexpr uint32_t kErrorSuccess = 0;
inline constexpr uint32_t kErrorFileNotFound = 2;
inline constexpr uint32_t kErrorAccessDenied = 5;
inline constexpr uint32_t kErrorWriteProtect = 19;
inline constexpr uint32_t kErrorSharingViolation = 32;
inline constexpr uint32_t kErrorLockViolation = 33;
inline constexpr uint32_t kErrorHandleDiskFull = 39;
// Any failure without a more precise number.
inline constexpr uint32_t kErrorGenFailure = 31;

// EACCES/EPERM -> access denied, EROFS -> write protect, ENOSPC/EDQUOT -> disk full,
// ENOENT -> file not found, 0 -> success, anything else -> general failure.
uint32_t SystemErrorFromErrno(int error);

// A short reason for a failed file operation ("the disk is full"), for messages.
const char* FileErrorText(uint32_t error);

}  // namespace tidewell
