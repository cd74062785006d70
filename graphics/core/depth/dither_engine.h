// Error-diffusion dithering of 24-bit rows onto the standard colour table.
#pragma once

#include <cstdint>
#include <vector>

namespace graphics {

class DitherEngine {
 public:
  DitherEngine(uint16_t width, uint16_t height);

  // src: bottom-up 24-bit rows (blue, green, red), stride (3w + 3) & ~3.
  // dst: zero-filled bottom-up rows of standard-table indexes, stride (w + 3) & ~3.
  // Allocation failure surfaces as std::bad_alloc.
  void Dither(const uint8_t* src, uint8_t* dst);

  uint32_t Stride24() const { return m_stride24; }
  uint32_t Stride8() const { return m_stride8; }

 private:
  // Quantises the current row in place (indexes overwrite its first bytes) and
  // pushes a quarter of each error down into next (if any) and half to the right.
  void ProcessRow(uint8_t* current, uint8_t* next);

  uint16_t m_width;
  uint16_t m_height;
  uint32_t m_stride24;
  uint32_t m_stride8;
};

}  // namespace graphics
