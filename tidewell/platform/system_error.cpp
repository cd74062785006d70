#include "tidewell/platform/system_error.h"

#include <cerrno>

namespace tidewell {

uint32_t SystemErrorFromErrno(int error) {
  switch (error) {
    case 0:
      return kErrorSuccess;
    case ENOENT:
      return kErrorFileNotFound;
    case EACCES:
    case EPERM:
      return kErrorAccessDenied;
    case EROFS:
      return kErrorWriteProtect;
    case ENOSPC:
    case EDQUOT:
      return kErrorHandleDiskFull;
    default:
      return kErrorGenFailure;
  }
}

const char* FileErrorText(uint32_t error) {
  switch (error) {
    case kErrorSuccess:
      return "done";
    case kErrorSharingViolation:
    case kErrorLockViolation:
      return "the destination is in use";
    case kErrorFileNotFound:
      return "the destination folder is missing";
    case kErrorAccessDenied:
      return "access denied";
    case kErrorWriteProtect:
      return "the destination is write-protected";
    case kErrorHandleDiskFull:
      return "the disk is full";
    default:
      return "the file could not be written";
  }
}

}  // namespace tidewell
