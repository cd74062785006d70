#pragma once

#include <string>

namespace tidewell {

// Result codes of CompressFile and UncompressFile: 0 success; -1 a file could not be
// opened, read or fully written; any other negative value is zlib's own error code
// (-2 stream, -3 data, -4 memory, -5 buffer). On failure the destination may hold
// partial output; the caller deletes it.
constexpr int kZFileOk = 0;
constexpr int kZFileIoError = -1;

// Writes source as exactly one zlib stream (RFC 1950) at the given level.
int CompressFile(const std::string& source, const std::string& destination, int level);

// Reads a file holding exactly one zlib stream and writes the data it carries.
// A truncated, corrupt or dictionary-bound stream, or bytes after its end, fail.
int UncompressFile(const std::string& source, const std::string& destination);

}  // namespace tidewell
