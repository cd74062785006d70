#include "tidewell/app/file_list_columns.h"

#include <cstdio>

#include "tidewell/updateset/list_date.h"

namespace tidewell {

std::array<std::string, kFileListColumns> FileListRow(const UpdateEntry& entry) {
  char size[64];
  std::snprintf(size, sizeof size, "%.2f", static_cast<double>(entry.size) / 1024.0);
  return {entry.installedPath,         size,
          FlagText(entry.checkSize),   FormatListDate(entry.modified),
          FlagText(entry.checkModify), FormatListDate(entry.created),
          FlagText(entry.checkCreate)};
}

}  // namespace tidewell
