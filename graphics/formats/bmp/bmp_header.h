// The headers of a BMP file (the 14-byte file header, then a 12-byte core or a 40- to
// 124-byte information header and, for 16 and 32 bits, the colour masks), checked
// against the size of the data before anything is read beyond them.
#pragma once

#include <climits>
#include <cstdint>
#include <cstring>
#include <optional>

#include "Pics.h"
#include "graphics/formats/registry/picture_facts.h"

namespace graphics {

constexpr std::size_t kBmpFileHeaderSize = 14;
// The longest information header and the masks that may follow a 40-byte one.
constexpr std::size_t kBmpLongestHeaders = 136;
constexpr std::uint64_t kLargestBmpDib = INT_MAX;  // sizes are reported as int

inline std::uint32_t BmpU32(const BYTE* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline std::uint16_t BmpU16(const BYTE* p) {
  std::uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

// What the headers of a BMP file say, before anything is trusted.
struct BmpLayout {
  std::uint32_t headerSize = 0;  // as stored
  bool core = false;             // 12-byte header, 3-byte colour entries
  std::int64_t width = 0, height = 0;
  int planes = 0, bits = 0;
  std::uint32_t compression = 0;
  std::uint32_t colorsUsed = 0;
  std::uint32_t masks[3] = {};
  std::uint64_t paletteBytes = 0;
  std::uint64_t rowBytes = 0;
  std::uint64_t imageBytes = 0;
  std::uint64_t pixelStart = 0;  // within the data
};

// Reads the layout of the BMP data (what follows the file header) of `size` bytes,
// of which `data` holds at least the first min(size, kBmpLongestHeaders). False when
// the headers are refused or the data is shorter than they promise.
bool ReadBmpLayout(const BYTE* data, std::uint64_t size, std::uint32_t pixelOffset, BmpLayout& out);

// The facts of the BMP file at the file's position, from its headers and its length.
std::optional<PictureFacts> ReadBmpFacts(CFile& file);

}  // namespace graphics
