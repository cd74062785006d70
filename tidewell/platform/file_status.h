#pragma once
// File size and times. Times are seconds since 1970 (UTC). The creation time is the
// extended attribute user.corvane.created when set, else the birth time the file system
// reports, else the modification time.
#include <cstdint>
#include <optional>
#include <string>

namespace tidewell {

struct FileStatus {
  bool isFolder;
  uint64_t size;
  int64_t modified;
  int64_t created;
};

std::optional<FileStatus> GetFileStatus(const std::string& path);

// Writes the modification time and the creation attribute; the access time is left alone.
// False when either could not be written (the modification time may be set even then).
bool SetFileTimes(const std::string& path, int64_t created, int64_t modified);

}  // namespace tidewell
