#include "graphics/core/depth/result_dib.h"

#include <cstring>

#include "graphics/core/depth/dib_layout.h"

namespace graphics {
namespace {

uint64_t PaletteEntriesFor(unsigned bitCount) {
  switch (bitCount) {
    case 1:
      return 2;
    case 4:
      return 16;
    case 8:
      return 256;
    default:
      return 0;
  }
}

void Put32(BYTE* p, uint32_t v) { std::memcpy(p, &v, 4); }
void Put16(BYTE* p, uint16_t v) { std::memcpy(p, &v, 2); }

}  // namespace

uint64_t ResultDibSize(uint32_t width, uint32_t height, unsigned bitCount) {
  if (width > uint32_t(kMaxPictureSide) || height > uint32_t(kMaxPictureSide)) return 0;
  return 40 + 4 * PaletteEntriesFor(bitCount) + RowStride(width, bitCount) * height;
}

void WriteResultHeader(BYTE* dib, uint32_t width, uint32_t height, unsigned bitCount) {
  std::memset(dib, 0, 40);
  Put32(dib, 40);
  Put32(dib + 4, width);
  Put32(dib + 8, height);
  Put16(dib + 12, 1);
  Put16(dib + 14, uint16_t(bitCount));
}

HGLOBAL AllocateResultDib(uint32_t width, uint32_t height, unsigned bitCount) {
  const uint64_t size = ResultDibSize(width, height, bitCount);
  if (size == 0 || size > SIZE_MAX) return nullptr;
  HGLOBAL h = GlobalAlloc(GHND, size_t(size));
  if (!h) return nullptr;
  BYTE* dib = static_cast<BYTE*>(GlobalLock(h));
  WriteResultHeader(dib, width, height, bitCount);
  GlobalUnlock(h);
  return h;
}

void WritePalette(BYTE* entries, const RgbColor* colors, size_t count) {
  for (size_t i = 0; i < count; ++i, entries += 4) {
    entries[0] = colors[i].blue;
    entries[1] = colors[i].green;
    entries[2] = colors[i].red;
    entries[3] = 0;
  }
}

const std::array<RgbColor, 256>& GreyRamp() {
  static const std::array<RgbColor, 256> ramp = [] {
    std::array<RgbColor, 256> r{};
    for (int i = 0; i < 256; ++i) r[i] = {uint8_t(i), uint8_t(i), uint8_t(i)};
    return r;
  }();
  return ramp;
}

}  // namespace graphics
