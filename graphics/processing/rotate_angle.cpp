// Turning a picture by any angle, nearest neighbour, through 24 bits.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <new>
#include <vector>

#include "graphics/core/depth/dib_worker.h"
#include "graphics/processing/geometry_ops.h"
#include "graphics/core/dib_block.h"
#include "graphics/processing/progress_reporter.h"
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

// The source rows each band of output rows reads, and from them the rows that the
// bands from a given one on still need: what lies outside can be given back.
class SourceRowsInUse {
 public:
  SourceRowsInUse(int bands, int sourceHeight)
      : m_lo(size_t(bands) + 1, sourceHeight), m_hi(size_t(bands) + 1, -1) {}
  void Add(int band, int lo, int hi) {
    m_lo[size_t(band)] = std::min(m_lo[size_t(band)], lo);
    m_hi[size_t(band)] = std::max(m_hi[size_t(band)], hi);
  }
  // Call once every band is added: each entry becomes the union of the bands after it.
  void Close() {
    for (size_t b = m_lo.size() - 1; b-- > 0;) {
      m_lo[b] = std::min(m_lo[b], m_lo[b + 1]);
      m_hi[b] = std::max(m_hi[b], m_hi[b + 1]);
    }
  }
  int Lo(int band) const { return m_lo[size_t(band)]; }  // first row still needed
  int Hi(int band) const { return m_hi[size_t(band)]; }  // last row still needed

 private:
  std::vector<int> m_lo, m_hi;
};

// Hands the whole pages of rows [first, last) back to the system. The rows are never
// read again and the block is freed afterwards, so the turn holds the source and the
// result together only where it must (at most 3 x the 24-bit picture at any angle).
void ReleaseRows(BYTE* pixels, uint64_t stride, int first, int last) {
  if (last <= first) return;
  static const uintptr_t page = uintptr_t(::sysconf(_SC_PAGESIZE));
  const uintptr_t begin = (uintptr_t(pixels + uint64_t(first) * stride) + page - 1) & ~(page - 1);
  const uintptr_t end = uintptr_t(pixels + uint64_t(last) * stride) & ~(page - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED);
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
    BYTE* const in = from.data() + layout->imageOffset;
    BYTE* out = to.data() + layout->imageOffset;
    const uint64_t inStride = layout->stride, outStride = RowStride(uint64_t(newW), 24);
    const int bands = int((newH + kTile - 1) / kTile);
    // The source row of output (i, j), as the loop below computes it.
    const auto sourceRow = [&](int i, int j) { return FloorToInt(yc[j] + xsn[i] + 0.5f); };
    SourceRowsInUse inUse(bands, int(h));
    for (int band = 0; band < bands; ++band) {
      const int j0 = band * kTile, j1 = int(std::min<int64_t>(newH, j0 + kTile)) - 1;
      // Rows are linear in i and j: the extremes lie at the band's corners.
      const int rows[4] = {sourceRow(0, j0), sourceRow(int(newW), j0), sourceRow(0, j1),
                           sourceRow(int(newW), j1)};
      const auto [lo, hi] = std::minmax_element(rows, rows + 4);
      inUse.Add(band, std::max(*lo - 1, 0), std::min(*hi + 1, int(h) - 1));
    }
    inUse.Close();
    int keptLo = 0, keptHi = int(h);  // source rows not yet given back: [keptLo, keptHi)
    ProgressLoop progress(bands);
    for (int band = 0; band < bands; ++band) {
      // Stopping is possible only while the source is whole.
      if (!progress.Step(band) && keptLo == 0 && keptHi == int(h)) return 0;
      const int j0 = band * kTile;
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
      const int needLo = std::min(inUse.Lo(band + 1), keptHi);
      const int needHi = std::max(inUse.Hi(band + 1) + 1, keptLo);
      if (needLo > keptLo) ReleaseRows(in, inStride, keptLo, needLo), keptLo = needLo;
      if (needHi < keptHi) ReleaseRows(in, inStride, needHi, keptHi), keptHi = needHi;
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
