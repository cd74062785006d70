#include "graphics/processing/convolution.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

#include "graphics/core/depth/dib_worker.h"
#include "graphics/core/dib_block.h"
#include "graphics/processing/progress_reporter.h"

namespace graphics {
namespace {

// Window sums whose range is at most this many values are mapped through a table
// instead of being divided one by one.
constexpr int64_t kLargestTable = int64_t(1) << 20;

// Turns window sums into stored channel values: divisor, offset, strength, clamp.
class ValueMapper {
 public:
  ValueMapper(const Kernel& kernel, int strength)
      : m_divisor(kernel.divisor), m_offset(kernel.offset), m_strength(strength) {
    for (int i = 0; i < kernel.size() * kernel.size(); ++i) {
      const int64_t v = int64_t(kernel.k[size_t(i)]) * 255;
      (v < 0 ? m_minSum : m_maxSum) += v;
    }
    if (m_maxSum - m_minSum < kLargestTable) {
      m_values.resize(size_t(m_maxSum - m_minSum + 1));
      for (int64_t s = m_minSum; s <= m_maxSum; ++s) m_values[size_t(s - m_minSum)] = Filtered(s);
      if (m_strength == 10) {
        m_bytes.resize(m_values.size());
        for (size_t i = 0; i < m_values.size(); ++i) m_bytes[i] = Clamp(m_values[i]);
      }
    }
  }

  // Largest magnitude a window sum can reach.
  int64_t SumBound() const { return std::max(-m_minSum, m_maxSum); }

  template <typename Acc>
  void MapRow(const Acc* sums, const BYTE* centres, BYTE* out, size_t count) const {
    if (!m_bytes.empty()) {
      const uint8_t* table = m_bytes.data() - m_minSum;
      for (size_t i = 0; i < count; ++i) out[i] = table[sums[i]];
    } else if (!m_values.empty()) {
      const int64_t* table = m_values.data() - m_minSum;
      for (size_t i = 0; i < count; ++i) out[i] = WithStrength(table[sums[i]], centres[i]);
    } else {
      for (size_t i = 0; i < count; ++i) out[i] = WithStrength(Filtered(sums[i]), centres[i]);
    }
  }

 private:
  int64_t Filtered(int64_t sum) const {
    if (m_divisor != 1 && sum != 0) sum /= m_divisor;
    return sum + m_offset;
  }

  static uint8_t Clamp(int64_t v) { return uint8_t(std::clamp<int64_t>(v, 0, 255)); }

  // centre + (value - centre) * strength / 10, truncating towards zero. A
  // difference this large saturates for any non-zero strength, so the product
  // need not be formed.
  uint8_t WithStrength(int64_t value, uint8_t centre) const {
    if (m_strength == 10) return Clamp(value);
    const int64_t diff = value - centre;
    if (diff > INT32_MAX || diff < -int64_t(INT32_MAX)) {
      if (m_strength == 0) return centre;
      return (diff > 0) == (m_strength > 0) ? 255 : 0;
    }
    return Clamp(centre + diff * m_strength / 10);
  }

  int64_t m_divisor, m_offset;
  int m_strength;
  int64_t m_minSum = 0, m_maxSum = 0;
  std::vector<int64_t> m_values;
  std::vector<uint8_t> m_bytes;
};

// Window sums of one row: a flat pass per coefficient over the columns whose
// whole window lies inside the picture, then the edge columns, where a column
// outside the picture is replaced by the centre's own column.
template <typename Acc>
void SumRow(const Kernel& kernel, const BYTE* const* rows, uint32_t width, Acc* sums) {
  const int n = kernel.size(), h = kernel.reach;
  const size_t bytes = 3 * size_t(width);
  std::fill(sums, sums + bytes, Acc(0));
  if (width > uint32_t(2 * h)) {
    const size_t lo = 3 * size_t(h), count = bytes - 6 * size_t(h);
    for (int kr = 0; kr < n; ++kr)
      for (int kc = 0; kc < n; ++kc) {
        const Acc k = kernel.at(kr, kc);
        if (k == 0) continue;
        const BYTE* src = rows[kr] + 3 * size_t(kc);
        Acc* dst = sums + lo;
        for (size_t i = 0; i < count; ++i) dst[i] += k * Acc(src[i]);
      }
  }
  auto edgeColumn = [&](int64_t x) {
    for (int kr = 0; kr < n; ++kr)
      for (int kc = 0; kc < n; ++kc) {
        const Acc k = kernel.at(kr, kc);
        if (k == 0) continue;
        int64_t nx = x - h + kc;
        if (nx < 0 || nx >= int64_t(width)) nx = x;
        for (int ch = 0; ch < 3; ++ch) sums[3 * x + ch] += k * Acc(rows[kr][3 * nx + ch]);
      }
  };
  const int64_t leftEnd = std::min<int64_t>(h, width);
  for (int64_t x = 0; x < leftEnd; ++x) edgeColumn(x);
  for (int64_t x = std::max<int64_t>(int64_t(width) - h, leftEnd); x < int64_t(width); ++x)
    edgeColumn(x);
}

template <typename Acc>
bool FilterRows(const DibLayout& l, BYTE* image, const Kernel& kernel, const ValueMapper& mapper,
                bool report) {
  const int h = kernel.reach, n = kernel.size();
  const size_t bytes = 3 * size_t(l.width);
  if (bytes == 0 || l.height == 0) return true;
  // Unfiltered copies of the rows the window still needs: the rows above the
  // centre are overwritten as the filter moves on.
  std::vector<BYTE> ring;
  std::vector<Acc> sums;
  std::vector<const BYTE*> window(static_cast<size_t>(n));
  try {
    ring.resize(size_t(n) * bytes);
    sums.resize(bytes);
  } catch (const std::bad_alloc&) {
    return false;
  }
  auto slot = [&](int64_t row) { return ring.data() + size_t(row % n) * bytes; };
  auto load = [&](int64_t row) {
    if (row < int64_t(l.height)) std::memcpy(slot(row), image + uint64_t(row) * l.stride, bytes);
  };
  for (int64_t row = 0; row < h; ++row) load(row);

  std::optional<ProgressLoop> progress;
  if (report && CPics::m_pProgressDlg) progress.emplace(int(l.height));
  for (int64_t r = 0; r < int64_t(l.height); ++r) {
    if (progress && !progress->Step(int(r))) break;
    load(r + h);
    for (int kr = 0; kr < n; ++kr) {
      int64_t nr = r - h + kr;
      if (nr < 0 || nr >= int64_t(l.height)) nr = r;
      window[size_t(kr)] = slot(nr);
    }
    SumRow<Acc>(kernel, window.data(), l.width, sums.data());
    mapper.MapRow(sums.data(), slot(r), image + uint64_t(r) * l.stride, bytes);
  }
  return true;
}

}  // namespace

int Convolve(HGLOBAL* handle, const Kernel& kernel, int strength, bool reportProgress) {
  if (kernel.divisor == 0 || handle == nullptr || *handle == nullptr) return 0;
  const auto before = ReadBlockLayout(*handle);
  if (!before) return 0;
  const bool wasTrueColor = before->bitCount == 24;
  if (!CPics::ConvertTo24BPP(handle)) return 0;
  const auto layout = ReadBlockLayout(*handle);
  if (!layout) return 0;

  bool done = false;
  try {
    const ValueMapper mapper(kernel, strength);
    LockedBlock dib(*handle);
    BYTE* image = dib.data() + layout->imageOffset;
    done = mapper.SumBound() <= INT32_MAX
               ? FilterRows<int32_t>(*layout, image, kernel, mapper, reportProgress)
               : FilterRows<int64_t>(*layout, image, kernel, mapper, reportProgress);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  if (!done) return 0;
  if (!wasTrueColor && !CPics::ConvertTo8BPP(handle)) return 0;
  return 1;
}

}  // namespace graphics
