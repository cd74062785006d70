#include "graphics/core/depth/source_row_reader.h"

#include <bit>
#include <cstring>
#include <vector>

#include "graphics/core/depth/dib_pixels.h"

namespace graphics {
namespace {

uint32_t Load32(const BYTE* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

}  // namespace

SourceRowReader::SourceRowReader(const BYTE* dib, const DibLayout& layout)
    : m_dib(dib), m_layout(layout) {
  if (layout.bitCount <= 8) m_palette = ReadPalette(dib, layout, kBlackPalette);
  if (layout.bitCount != 16 && layout.bitCount != 32) return;
  uint32_t masks[3];
  if (layout.compression == 3) {
    // Masks follow a 40-byte header, or sit inside a version-4 header at the same place.
    const BYTE* m = dib + 40;
    masks[0] = Load32(m), masks[1] = Load32(m + 4), masks[2] = Load32(m + 8);
  } else if (layout.bitCount == 16) {
    masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
  } else {
    masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
  }
  Channel* channels[3] = {&m_red, &m_green, &m_blue};
  for (int c = 0; c < 3; ++c) {
    Channel& ch = *channels[c];
    ch.mask = masks[c];
    ch.shift = masks[c] ? unsigned(std::countr_zero(masks[c])) : 0;
    ch.max = masks[c] >> ch.shift;
  }
}

void SourceRowReader::Indexes(uint32_t storedRow, uint8_t* out) const {
  UnpackIndexes(m_dib + m_layout.imageOffset + storedRow * m_layout.stride, m_layout.bitCount,
                m_layout.width, out);
}

void SourceRowReader::Colors(uint32_t storedRow, RgbColor* out) const {
  const BYTE* row = m_dib + m_layout.imageOffset + storedRow * m_layout.stride;
  const uint32_t w = m_layout.width;
  switch (m_layout.bitCount) {
    case 24:
      for (uint32_t x = 0; x < w; ++x, row += 3) out[x] = {row[2], row[1], row[0]};
      return;
    case 16:
      for (uint32_t x = 0; x < w; ++x, row += 2) {
        const uint32_t p = uint32_t(row[0]) | uint32_t(row[1]) << 8;
        out[x] = {m_red.Scale(p), m_green.Scale(p), m_blue.Scale(p)};
      }
      return;
    case 32:
      for (uint32_t x = 0; x < w; ++x, row += 4) {
        const uint32_t p = Load32(row);
        out[x] = {m_red.Scale(p), m_green.Scale(p), m_blue.Scale(p)};
      }
      return;
    default: {
      std::vector<uint8_t> indexes(w);
      Indexes(storedRow, indexes.data());
      for (uint32_t x = 0; x < w; ++x) out[x] = m_palette[indexes[x]];
    }
  }
}

}  // namespace graphics
