#pragma once
// The generator's file list as the window shows it: seven columns per listed file.
#include <array>
#include <string>

#include "tidewell/updateset/update_entry.h"

namespace tidewell {

inline constexpr int kFileListColumns = 7;

struct FileListColumn {
  const char* header;
  int width;  // dialog units
};

// Filename, Size (k), size flag, Modified, modify flag, Created, create flag. The widths
// are the least a column gets; the window widens a column to its header and dates.
inline constexpr std::array<FileListColumn, kFileListColumns> kFileListLayout{{
    {"Filename", 90},
    {"Size (k)", 40},
    {"Size", 25},
    {"Modified", 70},
    {"Modify", 25},
    {"Created", 70},
    {"Create", 25},
}};

// Columns that show a comparison flag.
inline constexpr int kColumnCheckSize = 2;
inline constexpr int kColumnCheckModify = 4;
inline constexpr int kColumnCheckCreate = 6;
inline constexpr int kColumnModified = 3;
inline constexpr int kColumnCreated = 5;

// "X" for a flag that is on, a blank otherwise.
inline std::string FlagText(bool on) { return on ? "X" : " "; }

// The texts of one row: the installed path, the size in kilobytes with two decimals,
// and the two times in the list's own form.
std::array<std::string, kFileListColumns> FileListRow(const UpdateEntry& entry);

}  // namespace tidewell
