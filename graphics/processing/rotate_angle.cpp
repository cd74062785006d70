// Turning a picture by any angle, nearest neighbour, through 24 bits.
#include <utility>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "graphics/core/depth/dib_worker.h"
#include "graphics/processing/geometry_ops.h"
#include "graphics/core/dib_block.h"
#include "graphics/processing/reshaped_dib.h"

namespace graphics {
namespace {

constexpr double kPi = 3.141592653589793;
// Output is produced in square tiles, so the source pixels a tile reads (a turned
// square of the source) stay in cache and in the address translation buffers.
constexpr int kTile = 64;

inline int FloorToInt(float v) {
  const int t = int(v);
  return v < float(t) ? t - 1 : t;
}

struct Bounds {
  int64_t x0, x1, y0, y1;
};

Bounds TurnedCorners(uint32_t w, uint32_t h, double c, double s) {
  const double xs[4] = {0, 0, double(w), double(w)}, ys[4] = {0, double(h), double(h), 0};
  Bounds b{INT64_MAX, INT64_MIN, INT64_MAX, INT64_MIN};
  for (int k = 0; k < 4; ++k) {
    const int64_t x = int64_t(std::floor(c * xs[k] + s * ys[k] + 0.5));
    const int64_t y = int64_t(std::floor(c * ys[k] - s * xs[k] + 0.5));
    b.x0 = std::min(b.x0, x), b.x1 = std::max(b.x1, x);
    b.y0 = std::min(b.y0, y), b.y1 = std::max(b.y1, y);
  }
  return b;
}

}  // namespace

int RotateByAngle(HGLOBAL* handle, double degrees) {
  if (!std::isfinite(degrees)) return 0;
  // The turned size is checked before anything is expanded or allocated.
  const auto before = handle ? ReadBlockLayout(*handle) : std::nullopt;
  if (!before) return 0;
  const uint32_t w = before->width, h = before->height;
  const double c = std::cos(degrees * kPi / 180), s = std::sin(degrees * kPi / 180);
  const Bounds b = TurnedCorners(w, h, c, s);
  const int64_t newW = b.x1 - b.x0, newH = b.y1 - b.y0;
  if (newW > kMaxPictureSide || newH > kMaxPictureSide) return 0;
  if (!CPics::ConvertTo24BPP(handle)) return 0;
  const auto layout = ReadBlockLayout(*handle);
  if (!layout) return 0;

  std::vector<float> xc, xsn, yc, ysn;
  try {
    xc.resize(size_t(newW) + 1), xsn.resize(size_t(newW) + 1);
    yc.resize(size_t(newH) + 1), ysn.resize(size_t(newH) + 1);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  for (int64_t i = 0; i <= newW; ++i)
    xc[i] = float(double(i + b.x0) * c), xsn[i] = float(double(i + b.x0) * s);
  for (int64_t j = 0; j <= newH; ++j)
    yc[j] = float(double(j + b.y0) * c), ysn[j] = float(double(j + b.y0) * s);

  DibHandle fresh;
  {
    LockedBlock from(*handle);
    fresh = AllocateReshapedDib(from.data(), *layout, uint32_t(newW), uint32_t(newH));
    if (!fresh) return 0;
    LockedBlock to(fresh.get());
    const BYTE* in = from.data() + layout->imageOffset;
    BYTE* out = to.data() + layout->imageOffset;
    const uint64_t inStride = layout->stride, outStride = RowStride(uint64_t(newW), 24);
    for (int j0 = 0; j0 < newH; j0 += kTile)
      for (int i0 = 0; i0 < newW; i0 += kTile) {
        const int i1 = int(std::min<int64_t>(newW, i0 + kTile));
        const int j1 = int(std::min<int64_t>(newH, j0 + kTile));
        for (int j = j0; j < j1; ++j) {
          const float rowSin = ysn[j], rowCos = yc[j];
          BYTE* dst = out + uint64_t(j) * outStride + 3 * uint64_t(i0);
          for (int i = i0; i < i1; ++i, dst += 3) {
            const int sx = FloorToInt(xc[i] - rowSin + 0.5f);
            const int sy = FloorToInt(rowCos + xsn[i] + 0.5f);
            if (unsigned(sx) < w && unsigned(sy) < h) {
              const BYTE* src = in + uint64_t(sy) * inStride + 3 * uint64_t(sx);
              dst[0] = src[0], dst[1] = src[1], dst[2] = src[2];
            } else {
              dst[0] = dst[1] = dst[2] = 255;
            }
          }
        }
      }
  }
  ReplaceDib(*handle, std::move(fresh));
  return 1;
}

}  // namespace graphics

int CPics::RotateCW(float angle) {
  return m_hDIB ? graphics::RefreshAfterTransform(*this, graphics::RotateByAngle(&m_hDIB, angle))
                : 0;
}
