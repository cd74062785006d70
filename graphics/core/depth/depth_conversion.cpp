// Palette pictures to 24 bits, and any picture to 8 bits (24-bit ones by median cut).
#include <new>
#include <utility>
#include <vector>

#include "Pics.h"
#include "graphics/core/depth/dib_pixels.h"
#include "graphics/core/depth/dib_worker.h"
#include "graphics/core/dib_block.h"
#include "graphics/core/depth/median_cut_quantizer.h"
#include "graphics/core/depth/picture_refresh.h"
#include "graphics/core/depth/result_dib.h"

using graphics::DibLayout;
using graphics::LockedBlock;

namespace {

// A fresh 24-bit block for a palette picture, or an empty handle.
graphics::DibHandle ExpandPaletteTo24(HGLOBAL source, const DibLayout& src) {
  graphics::DibHandle fresh = graphics::AllocateResultDib(src.width, src.height, 24);
  if (!fresh) return fresh;
  try {
    LockedBlock from(source), to(fresh.get());
    // Indexes past a short colour table read as black rather than as pixel bytes.
    const auto palette = graphics::ReadPalette(from.data(), src, graphics::kBlackPalette);
    const uint32_t stride24 = (3u * src.width + 3) & ~3u;
    std::vector<uint8_t> indexes(src.width);
    const BYTE* in = from.data() + src.imageOffset;
    BYTE* out = to.data() + graphics::DibPixelOffset(24);
    for (uint32_t r = 0; r < src.height; ++r) {
      graphics::UnpackIndexes(in + r * src.stride, src.bitCount, src.width, indexes.data());
      BYTE* px = out + size_t(r) * stride24;
      for (uint32_t x = 0; x < src.width; ++x, px += 3) {
        const graphics::RgbColor c = palette[indexes[x]];
        px[0] = c.blue, px[1] = c.green, px[2] = c.red;
      }
    }
  } catch (const std::bad_alloc&) {
    return graphics::DibHandle();
  }
  return fresh;
}

// A fresh 8-bit block holding the 24-bit picture reduced by median cut, or an empty handle.
graphics::DibHandle Quantize(const graphics::DibWorker& worker) {
  const DibLayout& src = worker.layout();
  graphics::DibHandle fresh;
  try {
    graphics::MedianCutQuantizer quantizer;
    LockedBlock from(worker.block());
    const BYTE* in = from.data() + src.imageOffset;
    for (uint32_t r = 0; r < src.height; ++r) quantizer.CountBgr(in + r * src.stride, src.width);
    quantizer.BuildPalette();

    fresh = graphics::AllocateResultDib(src.width, src.height, 8);
    if (!fresh) return fresh;
    LockedBlock to(fresh.get());
    graphics::WritePalette(to.data() + graphics::kDibHeaderSize, quantizer.Palette().data(), 256);
    BYTE* out = to.data() + graphics::DibPixelOffset(8);
    for (uint32_t r = 0; r < src.height; ++r)
      quantizer.MapBgr(in + r * src.stride, out + size_t(r) * worker.stride8(), src.width);
  } catch (const std::bad_alloc&) {
    return graphics::DibHandle();
  }
  return fresh;
}

}  // namespace

int CPics::ConvertTo24BPP(HGLOBAL* phDIB) {
  if (phDIB == nullptr || *phDIB == nullptr) return 0;
  const auto layout = graphics::ReadBlockLayout(*phDIB);
  if (!layout) return 0;
  if (layout->bitCount == 24) return 1;
  graphics::DibHandle fresh = ExpandPaletteTo24(*phDIB, *layout);
  if (!fresh) return 0;
  graphics::ReplaceDib(*phDIB, std::move(fresh));
  return 1;
}

int CPics::ConvertTo8BPP(HGLOBAL* phDIB) {
  graphics::DibWorker worker(phDIB);
  if (!worker.ready()) return 0;
  if (worker.bitCount() == 8) return 1;
  graphics::DibHandle fresh = Quantize(worker);
  if (!fresh) return 0;
  worker.Replace(std::move(fresh));
  return 1;
}

int CPics::ConvertTo24BPP() {
  if (!m_hDIB || !ConvertTo24BPP(&m_hDIB)) return 0;
  return graphics::RefreshAfterConversion(*this);
}

int CPics::ConvertTo8BPP() {
  if (!m_hDIB || !ConvertTo8BPP(&m_hDIB)) return 0;
  return graphics::RefreshAfterConversion(*this);
}
