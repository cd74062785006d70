// Quarter turns of a picture, through 24 bits.
#include <utility>
#include <algorithm>

#include "graphics/core/depth/dib_worker.h"
#include "graphics/processing/geometry_ops.h"
#include "graphics/processing/progress_reporter.h"
#include "graphics/core/dib_block.h"
#include "graphics/processing/reshaped_dib.h"

namespace graphics {
namespace {

// Square tiles keep both the rows read and the rows written in cache.
constexpr uint32_t kTile = 64;

}  // namespace

int RotateQuarterTurn(HGLOBAL* handle, bool clockwise) {
  if (!CPics::ConvertTo24BPP(handle)) return 0;
  const auto layout = ReadBlockLayout(*handle);
  if (!layout) return 0;
  const uint32_t w = layout->width, h = layout->height;
  DibHandle fresh;
  {
    LockedBlock from(*handle);
    fresh = AllocateReshapedDib(from.data(), *layout, h, w);
    if (!fresh) return 0;
    LockedBlock to(fresh.get());
    const BYTE* in = from.data() + layout->imageOffset;
    BYTE* out = to.data() + layout->imageOffset;
    const uint64_t inStride = layout->stride, outStride = RowStride(h, 24);
    // New picture: h wide, w high. Clockwise, new (row r, column c) is old
    // (column w-1-r, row c); counter-clockwise it is old (column r, row h-1-c).
    ProgressLoop progress(int((w + kTile - 1) / kTile));
    for (uint32_t r0 = 0; r0 < w; r0 += kTile) {
      if (!progress.Step(int(r0 / kTile))) return 0;  // the picture is still untouched
      for (uint32_t c0 = 0; c0 < h; c0 += kTile) {
        const uint32_t r1 = std::min(w, r0 + kTile), c1 = std::min(h, c0 + kTile);
        for (uint32_t r = r0; r < r1; ++r) {
          BYTE* dst = out + r * outStride + 3 * uint64_t(c0);
          const uint32_t oldColumn = clockwise ? w - 1 - r : r;
          for (uint32_t c = c0; c < c1; ++c, dst += 3) {
            const uint32_t oldRow = clockwise ? c : h - 1 - c;
            const BYTE* src = in + oldRow * inStride + 3 * uint64_t(oldColumn);
            dst[0] = src[0], dst[1] = src[1], dst[2] = src[2];
          }
        }
      }
    }
  }
  ReplaceDib(*handle, std::move(fresh));
  return 1;
}

}  // namespace graphics

int CPics::RotateCW() {
  return m_hDIB ? graphics::RefreshAfterTransform(*this, graphics::RotateQuarterTurn(&m_hDIB, true))
                : 0;
}

int CPics::RotateCCW() {
  return m_hDIB
             ? graphics::RefreshAfterTransform(*this, graphics::RotateQuarterTurn(&m_hDIB, false))
             : 0;
}
