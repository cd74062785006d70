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

}  // namespace tidewell
