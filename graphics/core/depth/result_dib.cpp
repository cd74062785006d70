#include "graphics/core/depth/result_dib.h"

#include <cstring>

#include "graphics/core/depth/dib_layout.h"

namespace graphics {
uint64_t ResultDibSize(uint32_t width, uint32_t height, unsigned bitCount) {
  if (width > uint32_t(kMaxPictureSide) || height > uint32_t(kMaxPictureSide)) return 0;
  return DibPixelOffset(int(bitCount)) + RowStride(width, bitCount) * height;
}

DibHandle AllocateResultDib(uint32_t width, uint32_t height, unsigned bitCount) {
  const uint64_t size = ResultDibSize(width, height, bitCount);
  if (size == 0) return DibHandle();
  DibHandle dib = DibHandle::Allocate(size);
  LockedBlock block(dib.get());
  if (!block) return DibHandle();
  WriteDibHeader(block.data(), int32_t(width), int32_t(height), int(bitCount));
  return dib;
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
