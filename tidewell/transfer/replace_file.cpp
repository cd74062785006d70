#include "tidewell/transfer/replace_file.h"

#include "tidewell/platform/file_copy.h"
#include "tidewell/platform/system_error.h"

namespace tidewell {

bool ReplaceFileWith(const std::string& source, const std::string& target) {
  return MoveFileOver(source, target) == kErrorSuccess;
}

}  // namespace tidewell
