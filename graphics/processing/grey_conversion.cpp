// Grey levels and black and white: palette pictures change their palette,
// 24-bit pictures become 8-bit pictures over the grey ramp.
#include <utility>
#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

#include "Pics.h"
#include "graphics/core/depth/dib_pixels.h"
#include "graphics/core/depth/dib_worker.h"
#include "graphics/core/dib_block.h"
#include "graphics/core/depth/picture_refresh.h"
#include "graphics/core/depth/result_dib.h"

using graphics::LockedBlock;

namespace {

// Grey level, or black and white when a threshold is given.
struct GreyMapping {
  std::optional<int> threshold;
  uint8_t operator()(uint8_t r, uint8_t g, uint8_t b) const {
    const uint8_t grey = graphics::GreyLevel(r, g, b);
    if (!threshold) return grey;
    return grey < *threshold ? 0 : 255;
  }
};

void MapPaletteEntries(const graphics::DibWorker& worker, GreyMapping map) {
  const graphics::DibLayout& l = worker.layout();
  LockedBlock dib(worker.block());
  BYTE* entries = dib.data() + l.PaletteOffset();
  for (uint32_t i = 0; i < l.colorCount; ++i) {
    const graphics::RgbColor c = graphics::ReadEntry(entries, l.entrySize, i);
    const uint8_t v = map(c.red, c.green, c.blue);
    graphics::WriteEntry(entries, l.entrySize, i, {v, v, v});
  }
}

void GreyRows(const BYTE* in, const graphics::DibLayout& l, BYTE* out, uint32_t stride8,
              GreyMapping map) {
  for (uint32_t r = 0; r < l.height; ++r) {
    const BYTE* px = in + r * l.stride;
    BYTE* dst = out + size_t(r) * stride8;
    for (uint32_t x = 0; x < l.width; ++x, px += 3) dst[x] = map(px[2], px[1], px[0]);
  }
}

// 24-bit picture into a new 8-bit block.
int GreyIntoNewBlock(graphics::DibWorker& worker, GreyMapping map) {
  const graphics::DibLayout& l = worker.layout();
  graphics::DibHandle fresh = graphics::AllocateResultDib(l.width, l.height, 8);
  if (!fresh) return 0;
  {
    LockedBlock from(worker.block()), to(fresh.get());
    graphics::WritePalette(to.data() + graphics::kDibHeaderSize, graphics::GreyRamp().data(), 256);
    GreyRows(from.data() + l.imageOffset, l, to.data() + graphics::DibPixelOffset(8),
             worker.stride8(), map);
  }
  worker.Replace(std::move(fresh));
  return 1;
}

// 24-bit picture rewritten as an 8-bit picture in its own block, through a
// temporary image (the new header and palette cover the first source rows).
int GreyInPlace(graphics::DibWorker& worker, GreyMapping map) {
  const graphics::DibLayout& l = worker.layout();
  const uint32_t stride8 = worker.stride8();
  std::vector<BYTE> grey;
  try {
    grey.resize(size_t(stride8) * l.height);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  LockedBlock dib(worker.block());
  GreyRows(dib.data() + l.imageOffset, l, grey.data(), stride8, map);
  graphics::WriteDibHeader(dib.data(), int32_t(l.width), int32_t(l.height), 8);
  graphics::WritePalette(dib.data() + graphics::kDibHeaderSize, graphics::GreyRamp().data(), 256);
  if (!grey.empty())
    std::memcpy(dib.data() + graphics::DibPixelOffset(8), grey.data(), grey.size());
  return 1;
}

int ConvertToGreyLevels(HGLOBAL* phDIB, int reuse, GreyMapping map) {
  graphics::DibWorker worker(phDIB);
  if (!worker.ready()) return 0;
  if (worker.bitCount() == 8) {
    MapPaletteEntries(worker, map);
    return 1;
  }
  const graphics::DibLayout& l = worker.layout();
  // Reusing the block is only safe when it can hold the 8-bit picture; a smaller
  // block gets a new one instead of being overrun.
  if (reuse && GlobalSize(worker.block()) >= graphics::ResultDibSize(l.width, l.height, 8))
    return GreyInPlace(worker, map);
  return GreyIntoNewBlock(worker, map);
}

}  // namespace

int CPics::ConvertToGray(HGLOBAL* phDIB) { return ConvertToGreyLevels(phDIB, 0, GreyMapping{}); }

int CPics::ConvertToBlackAndWhite(HGLOBAL* phDIB, int threshold) {
  return ConvertToGreyLevels(phDIB, 0, GreyMapping{threshold});
}

int CPics::ConvertToGray(int reuse) {
  if (!m_hDIB || !ConvertToGreyLevels(&m_hDIB, reuse, GreyMapping{})) return 0;
  return graphics::RefreshAfterConversion(*this);
}

int CPics::ConvertToBlackAndWhite(int threshold, int reuse) {
  if (!m_hDIB || !ConvertToGreyLevels(&m_hDIB, reuse, GreyMapping{threshold})) return 0;
  return graphics::RefreshAfterConversion(*this);
}
