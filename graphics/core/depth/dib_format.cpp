// A converted copy of a packed DIB at another size and depth: nearest-colour
// matching onto the target's palette and a nearest-neighbour stretch.
#include <array>
#include <cstring>
#include <new>
#include <vector>

#include "Pics.h"
#include "graphics/core/depth/dib_layout.h"
#include "graphics/core/depth/dib_pixels.h"
#include "graphics/core/depth/result_dib.h"
#include "graphics/core/depth/source_row_reader.h"
#include "graphics/core/depth/standard_color_table.h"
#include "graphics/core/dib_block.h"

using graphics::RgbColor;

namespace {

// The display system's default 16-colour palette.
constexpr std::array<RgbColor, 16> kDefault16 = {{
    {0, 0, 0},
    {128, 0, 0},
    {0, 128, 0},
    {128, 128, 0},
    {0, 0, 128},
    {128, 0, 128},
    {0, 128, 128},
    {192, 192, 192},
    {128, 128, 128},
    {255, 0, 0},
    {0, 255, 0},
    {255, 255, 0},
    {0, 0, 255},
    {255, 0, 255},
    {0, 255, 255},
    {255, 255, 255},
}};

// Target palette by depth; sourceOwn tells whether the source's indexes keep their meaning.
std::vector<RgbColor> TargetPalette(const BYTE* src, const graphics::DibLayout& l, unsigned bits,
                                    bool& sourceOwn) {
  sourceOwn = false;
  if (bits == 1) return {{0, 0, 0}, {255, 255, 255}};
  if (bits == 4) {
    if (l.bitCount == 4) {
      sourceOwn = true;
      const auto p = graphics::ReadPalette(src, l, graphics::kBlackPalette);
      return {p.begin(), p.begin() + 16};
    }
    return {kDefault16.begin(), kDefault16.end()};
  }
  if (bits == 8) {
    if (l.bitCount == 8) {
      sourceOwn = true;
      const auto p = graphics::ReadPalette(src, l, graphics::kBlackPalette);
      return {p.begin(), p.end()};
    }
    // Our stand-in for the screen's halftone palette.
    return {graphics::StandardColorTable.begin(), graphics::StandardColorTable.end()};
  }
  return {};
}

// Nearest palette index by squared distance, ties to the lowest index, with a
// small direct-mapped cache in front of the search.
class PaletteMatcher {
 public:
  explicit PaletteMatcher(const std::vector<RgbColor>& palette) : m_palette(palette) {
    m_keys.fill(UINT32_MAX);
  }

  uint8_t operator()(RgbColor c) {
    const uint32_t key = uint32_t(c.red) << 16 | uint32_t(c.green) << 8 | c.blue;
    const uint32_t slot = (key * 2654435761u) >> 20;
    if (m_keys[slot] == key) return m_values[slot];
    int best = 0, bestDistance = INT32_MAX;
    for (size_t i = 0; i < m_palette.size(); ++i) {
      const int dr = c.red - m_palette[i].red, dg = c.green - m_palette[i].green,
                db = c.blue - m_palette[i].blue;
      const int d = dr * dr + dg * dg + db * db;
      if (d < bestDistance) bestDistance = d, best = int(i);
    }
    m_keys[slot] = key;
    m_values[slot] = uint8_t(best);
    return uint8_t(best);
  }

 private:
  const std::vector<RgbColor>& m_palette;
  std::array<uint32_t, 4096> m_keys;
  std::array<uint8_t, 4096> m_values{};
};

void PutIndex(BYTE* row, unsigned bits, uint32_t x, uint8_t index) {
  if (bits == 8) {
    row[x] = index;
    return;
  }
  const unsigned perByte = 8 / bits;
  const unsigned shift = (perByte - 1 - x % perByte) * bits;
  row[x / perByte] = BYTE(row[x / perByte] | (index << shift));
}

void PutColor(BYTE* row, unsigned bits, uint32_t x, RgbColor c) {
  if (bits == 24) {
    BYTE* p = row + 3 * size_t(x);
    p[0] = c.blue, p[1] = c.green, p[2] = c.red;
  } else if (bits == 32) {
    BYTE* p = row + 4 * size_t(x);
    p[0] = c.blue, p[1] = c.green, p[2] = c.red, p[3] = 0;
  } else {  // 16 bits, five bits a channel
    const uint16_t v = uint16_t((c.red >> 3) << 10 | (c.green >> 3) << 5 | (c.blue >> 3));
    std::memcpy(row + 2 * size_t(x), &v, 2);
  }
}

}  // namespace

HGLOBAL CPics::ConvertDIBFormat(BITMAPINFO* source, unsigned width, unsigned height,
                                unsigned bitCount, int stretch) {
  // The caller vouches for the source buffer; its header is still checked.
  const auto src = graphics::ReadDibLayout(source, UINT64_MAX, true);
  if (!src) return nullptr;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
      bitCount != 32)
    return nullptr;
  if (width > unsigned(graphics::kMaxPictureSide) || height > unsigned(graphics::kMaxPictureSide))
    return nullptr;

  const BYTE* in = reinterpret_cast<const BYTE*>(source);
  const uint64_t stride = graphics::RowStride(width, bitCount);
  const uint64_t size = 1068 + stride * height;
  graphics::DibHandle result = graphics::DibHandle::Allocate(size);
  graphics::LockedBlock locked(result.get());
  if (!locked) return nullptr;

  try {
    BYTE* out = locked.data();
    graphics::WriteDibHeader(out, int32_t(width), int32_t(height), int(bitCount));
    bool sourceOwn = false;
    const std::vector<RgbColor> palette = TargetPalette(in, *src, bitCount, sourceOwn);
    graphics::WritePalette(out + graphics::kDibHeaderSize, palette.data(), palette.size());
    BYTE* bits = out + graphics::DibPixelOffset(int(bitCount));

    const bool resize = stretch && (width != src->width || height != src->height);
    graphics::SourceRowReader reader(in, *src);
    PaletteMatcher match(palette);
    std::vector<uint8_t> indexes(src->width);
    std::vector<RgbColor> colors(src->width);
    for (uint32_t ty = 0; ty < height; ++ty) {  // picture rows, top first
      const uint32_t sy = resize ? uint32_t(uint64_t(ty) * src->height / height) : ty;
      if (sy >= src->height) continue;  // outside the copied area stays zero
      const uint32_t storedSource = src->height - 1 - sy;
      BYTE* row = bits + (height - 1 - ty) * stride;
      if (sourceOwn)
        reader.Indexes(storedSource, indexes.data());
      else
        reader.Colors(storedSource, colors.data());
      for (uint32_t tx = 0; tx < width; ++tx) {
        const uint32_t sx = resize ? uint32_t(uint64_t(tx) * src->width / width) : tx;
        if (sx >= src->width) break;
        if (sourceOwn)
          PutIndex(row, bitCount, tx, indexes[sx]);
        else if (bitCount <= 8)
          PutIndex(row, bitCount, tx, match(colors[sx]));
        else
          PutColor(row, bitCount, tx, colors[sx]);
      }
    }
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return result.release();
}
