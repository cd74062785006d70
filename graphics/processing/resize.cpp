// Scaling a picture by one factor in both directions, nearest neighbour.
#include <utility>
#include <cmath>
#include <cstring>

#include "graphics/core/depth/dib_worker.h"
#include "graphics/processing/geometry_ops.h"
#include "graphics/core/dib_block.h"
#include "graphics/processing/reshaped_dib.h"

namespace graphics {

int ResizeByFactor(HGLOBAL* handle, float factor) {
  if (factor == 1.0f) return handle && *handle ? 1 : 0;
  if (!(factor > 0.0f) || !std::isfinite(factor)) return 0;
  const auto before = handle ? ReadBlockLayout(*handle) : std::nullopt;
  if (!before) return 0;
  // The product is exact in double; sizes past the largest picture are refused
  // rather than wrapped, before anything is expanded.
  const double newWidth = std::ceil(double(before->width) * factor);
  const double newHeight = std::ceil(double(before->height) * factor);
  if (newWidth > kMaxPictureSide || newHeight > kMaxPictureSide) return 0;
  DibWorker worker(handle);
  if (!worker.ready()) return 0;
  const DibLayout& l = worker.layout();
  const uint32_t nw = uint32_t(newWidth), nh = uint32_t(newHeight);
  const uint32_t pixelBytes = l.bitCount / 8;

  DibHandle fresh;
  {
    LockedBlock from(worker.block());
    fresh = AllocateReshapedDib(from.data(), l, nw, nh);
    if (!fresh) return 0;
    LockedBlock to(fresh.get());
    const BYTE* in = from.data() + l.imageOffset;
    BYTE* out = to.data() + l.imageOffset;
    const uint64_t outStride = RowStride(nw, l.bitCount);
    for (uint32_t y = 0; y < nh; ++y) {
      const BYTE* src = in + (uint64_t(l.height) * y / nh) * l.stride;
      BYTE* dst = out + y * outStride;
      for (uint32_t x = 0; x < nw; ++x, dst += pixelBytes)
        std::memcpy(dst, src + (uint64_t(l.width) * x / nw) * pixelBytes, pixelBytes);
    }
  }
  worker.Replace(std::move(fresh));
  return 1;
}

}  // namespace graphics

int CPics::Resize(float factor) {
  return m_hDIB ? graphics::RefreshAfterTransform(*this, graphics::ResizeByFactor(&m_hDIB, factor))
                : 0;
}
