// Reads stored rows of any uncompressed DIB depth (1 to 32 bits) as colours.
#pragma once

#include <array>
#include <cstdint>

#include "Pics.h"
#include "graphics/core/depth/dib_layout.h"
#include "graphics/core/depth/standard_color_table.h"

namespace graphics {

class SourceRowReader {
 public:
  SourceRowReader(const BYTE* dib, const DibLayout& layout);

  // Palette indexes of a stored row (1, 2, 4 and 8 bits only).
  void Indexes(uint32_t storedRow, uint8_t* out) const;
  // Colours of a stored row.
  void Colors(uint32_t storedRow, RgbColor* out) const;

 private:
  struct Channel {
    uint32_t mask = 0;
    unsigned shift = 0;
    uint32_t max = 0;  // mask >> shift
    uint8_t Scale(uint32_t pixel) const {
      return max ? uint8_t(uint64_t((pixel & mask) >> shift) * 255 / max) : 0;
    }
  };

  const BYTE* m_dib;
  DibLayout m_layout;
  std::array<RgbColor, 256> m_palette{};
  Channel m_red, m_green, m_blue;
};

}  // namespace graphics
