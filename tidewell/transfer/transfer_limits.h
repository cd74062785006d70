#pragma once
// What a server may send for one file of a download job, and what the unpacked bytes
// must be. A file that breaks a limit counts as not fetched; nothing of it is kept.
#include <cstdint>
#include <string>

namespace tidewell {

struct TransferLimits {
  int64_t maxBody = -1;      // bytes the server may send; -1 for no limit
  int64_t maxUnpacked = -1;  // bytes unpacking may produce; -1 for no limit
  std::string sha256;        // hash the unpacked bytes must have; empty for none
};

// A packed list is never larger.
inline constexpr int64_t kMaxPackedListSize = int64_t{64} << 20;
// Nor does it unpack to more: a few thousand entries per section take far less, and the
// reader holds the whole list in memory.
inline constexpr int64_t kMaxListSize = int64_t{256} << 20;
// A signature file holds 64 bytes; anything much larger is not one.
inline constexpr int64_t kMaxSignatureFileSize = 4096;

// The most bytes a packed file of listedSize unpacked bytes can take: zlib never grows
// data by more than this.
inline int64_t PackedSizeLimit(int64_t listedSize) { return listedSize + listedSize / 8 + 4096; }

}  // namespace tidewell
