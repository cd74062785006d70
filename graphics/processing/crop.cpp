// Keeping a rectangle of a picture, as a fresh 24-bit DIB.
#include <utility>
#include <algorithm>
#include <cstring>

#include "graphics/core/depth/dib_worker.h"
#include "graphics/core/dib_block.h"
#include "graphics/processing/reshaped_dib.h"
#include "graphics/core/depth/result_dib.h"

int CPics::Crop(HGLOBAL* phDIB, POINT origin, SIZE size) {
  if (phDIB == nullptr || *phDIB == nullptr) return 0;
  const auto before = graphics::ReadBlockLayout(*phDIB);
  if (!before) return 0;
  // 64 bits: origin + size must not wrap for extreme arguments.
  int64_t x = origin.x, y = origin.y, cx = size.cx, cy = size.cy;
  const int64_t w = before->width, h = before->height;
  if (x >= w || y >= h || cx < 1 || cy <= 0) return 0;
  if (x < 0) cx += x, x = 0;
  if (y < 0) cy += y, y = 0;
  // An area lying wholly left of or below the picture keeps nothing.
  if (cx < 1 || cy < 1) return 0;
  cx = std::min(cx, w - x);
  cy = std::min(cy, h - y);

  graphics::DibHandle fresh = graphics::AllocateResultDib(uint32_t(cx), uint32_t(cy), 24);
  if (!fresh || !CPics::ConvertTo24BPP(phDIB)) return 0;
  const auto layout = graphics::ReadBlockLayout(*phDIB);
  if (!layout) return 0;
  {
    graphics::LockedBlock from(*phDIB), to(fresh.get());
    const uint64_t outStride = graphics::RowStride(uint64_t(cx), 24);
    for (int64_t r = 0; r < cy; ++r)
      std::memcpy(
          to.data() + graphics::DibPixelOffset(24) + uint64_t(r) * outStride,
          from.data() + layout->imageOffset + uint64_t(y + r) * layout->stride + 3 * uint64_t(x),
          size_t(3 * cx));
  }
  graphics::ReplaceDib(*phDIB, std::move(fresh));
  return 1;
}

int CPics::Crop(POINT origin, SIZE size) {
  if (!m_hDIB || !Crop(&m_hDIB, origin, size)) return 0;
  return graphics::RefreshAfterTransform(*this, 1);
}
