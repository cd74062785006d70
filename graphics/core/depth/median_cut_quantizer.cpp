#include "graphics/core/depth/median_cut_quantizer.h"

#include <algorithm>

namespace graphics {
namespace {

constexpr uint16_t kRed = 1, kGreen = 2, kBlue = 4;

constexpr uint16_t Order(uint16_t primary, uint16_t secondary, uint16_t tertiary) {
  return static_cast<uint16_t>(primary << 6 | secondary << 3 | tertiary);
}

// 6-bit value of one channel (by its code) of a histogram key.
constexpr uint32_t Channel(uint32_t key, uint16_t code) {
  switch (code) {
    case kRed:
      return (key >> 12) & 63;
    case kGreen:
      return (key >> 6) & 63;
    default:
      return key & 63;
  }
}

// The key rearranged so that plain comparison follows the box's sort order.
constexpr uint32_t SortKey(uint32_t key, uint16_t order) {
  return Channel(key, (order >> 6) & 7) << 12 | Channel(key, (order >> 3) & 7) << 6 |
         Channel(key, order & 7);
}

// Widest channel first; the tie rules are part of the palette's identity.
uint16_t SortOrderFor(int dR, int dG, int dB) {
  if (dR <= dG) {
    if (dG <= dB) return Order(kBlue, kGreen, kRed);
    if (dR <= dB) return Order(kGreen, kBlue, kRed);
    return Order(kGreen, kRed, kBlue);
  }
  if (dR > dB) return dB <= dG ? Order(kRed, kGreen, kBlue) : Order(kRed, kBlue, kGreen);
  return Order(kBlue, kRed, kGreen);
}

}  // namespace

MedianCutQuantizer::MedianCutQuantizer() : m_histogram(kCells, 0) {}

void MedianCutQuantizer::CountBgr(const uint8_t* bgr, size_t pixels) {
  uint32_t* h = m_histogram.data();
  for (size_t i = 0; i < pixels; ++i, bgr += 3) ++h[Key(bgr[2], bgr[1], bgr[0])];
}

void MedianCutQuantizer::CountRgbx(const uint8_t* rgbx, size_t pixels) {
  uint32_t* h = m_histogram.data();
  for (size_t i = 0; i < pixels; ++i, rgbx += 4) ++h[Key(rgbx[0], rgbx[1], rgbx[2])];
}

QuantBox MedianCutQuantizer::MakeBox(int32_t first, int32_t last) const {
  QuantBox box;
  box.first = first;
  box.last = last;
  uint32_t lo[3] = {63, 63, 63}, hi[3] = {0, 0, 0};
  for (int32_t i = first; i <= last; ++i) {
    const ColorEntry& e = m_colors[i];
    box.count += e.count;
    const uint32_t v[3] = {(e.key >> 12) & 63, (e.key >> 6) & 63, e.key & 63};
    for (int c = 0; c < 3; ++c) {
      lo[c] = std::min(lo[c], v[c]);
      hi[c] = std::max(hi[c], v[c]);
    }
  }
  if (first > last) lo[0] = lo[1] = lo[2] = 0;
  box.minRed = uint8_t(lo[0]), box.maxRed = uint8_t(hi[0]);
  box.minGreen = uint8_t(lo[1]), box.maxGreen = uint8_t(hi[1]);
  box.minBlue = uint8_t(lo[2]), box.maxBlue = uint8_t(hi[2]);
  box.sortOrder =
      SortOrderFor(int(hi[0]) - int(lo[0]), int(hi[1]) - int(lo[1]), int(hi[2]) - int(lo[2]));
  return box;
}

void MedianCutQuantizer::SortBoxEntries(const QuantBox& box) {
  // Keys are distinct and the sort key is a permutation of the key, so the order
  // is total and any sorting method gives the same sequence.
  const uint16_t order = box.sortOrder;
  std::sort(m_colors.begin() + box.first, m_colors.begin() + box.last + 1,
            [order](const ColorEntry& a, const ColorEntry& b) {
              return SortKey(a.key, order) < SortKey(b.key, order);
            });
}

int32_t MedianCutQuantizer::FindSplit(const QuantBox& box) const {
  const int32_t first = box.first, last = box.last;
  const int64_t half = box.count / 2;
  int64_t sum = 0;
  int32_t m = first;
  for (; m <= last; ++m) {
    sum += m_colors[m].count;
    if (sum >= half) break;
  }
  if (m > last) return last - 1;

  const uint16_t primary = (box.sortOrder >> 6) & 7;
  auto value = [&](int32_t i) { return Channel(m_colors[i].key, primary); };
  const uint32_t v = value(m);
  // Keep entries of equal primary value on one side of the cut.
  if (m == first) {
    for (int32_t j = m + 1; j <= last; ++j)
      if (value(j) != v) return j - 1;
    return m;
  }
  if (m == last) {
    for (int32_t j = last - 1; j >= first; --j)
      if (value(j) != v) return j;
    return m - 1;
  }
  for (int32_t k = 1;; ++k) {
    const bool below = m - k >= first, above = m + k <= last;
    if (!below && !above) return m <= first ? m : m - 1;
    if (below && value(m - k) != v) return m - k;
    if (above && value(m + k) != v) return m + k - 1;
  }
}

void MedianCutQuantizer::InsertBox(const QuantBox& box) {
  if (box.last - box.first + 1 > 2) {
    auto at = std::find_if(m_boxes.begin(), m_boxes.end(),
                           [&](const QuantBox& b) { return b.count <= box.count; });
    m_boxes.insert(at, box);
  } else {
    // Boxes of one or two colours wait at the end.
    m_boxes.push_back(box);
  }
}

void MedianCutQuantizer::SortBoxesByCount() {
  // Shell sort with halving gaps: boxes of equal count keep the order this method
  // gives them, which decides overlaps in the inverse table.
  const size_t n = m_boxes.size();
  for (size_t gap = n / 2; gap > 0; gap /= 2) {
    for (size_t i = gap; i < n; ++i) {
      QuantBox tmp = m_boxes[i];
      size_t j = i;
      while (j >= gap && m_boxes[j - gap].count < tmp.count) {
        m_boxes[j] = m_boxes[j - gap];
        j -= gap;
      }
      m_boxes[j] = tmp;
    }
  }
}

void MedianCutQuantizer::ComputeMeans() {
  for (size_t i = 0; i < m_boxes.size(); ++i) {
    QuantBox& box = m_boxes[i];
    int64_t sum[3] = {0, 0, 0};
    for (int32_t e = box.first; e <= box.last; ++e) {
      const ColorEntry& c = m_colors[e];
      sum[0] += int64_t((c.key >> 12) & 63) * c.count;
      sum[1] += int64_t((c.key >> 6) & 63) * c.count;
      sum[2] += int64_t(c.key & 63) * c.count;
    }
    auto mean = [&](int64_t s) { return box.count ? uint8_t((s / box.count) * 4) : uint8_t(0); };
    box.mean = {mean(sum[0]), mean(sum[1]), mean(sum[2])};
    m_palette[i] = box.mean;
  }
}

void MedianCutQuantizer::FillInverseTable() {
  m_inverse.assign(kCells, 255);
  if (m_colors.empty()) return;
  for (size_t i = 0; i < m_boxes.size(); ++i) {
    const QuantBox& b = m_boxes[i];
    for (uint32_t r = b.minRed; r <= b.maxRed; ++r)
      for (uint32_t g = b.minGreen; g <= b.maxGreen; ++g) {
        uint8_t* row = &m_inverse[r << 12 | g << 6];
        std::fill(row + b.minBlue, row + b.maxBlue + 1, uint8_t(i));
      }
  }
}

void MedianCutQuantizer::BuildPalette() {
  m_colors.clear();
  for (uint32_t key = 0; key < kCells; ++key)
    if (m_histogram[key]) m_colors.push_back({m_histogram[key], key});
  std::vector<uint32_t>().swap(m_histogram);

  m_boxes.clear();
  m_boxes.reserve(kColors + 1);
  if (m_colors.empty()) {
    // Nothing counted: an all-black palette and no box to look up.
    m_boxes.assign(kColors, QuantBox{});
    m_palette.fill(RgbColor{});
    m_inverse.assign(kCells, 255);
    return;
  }

  m_boxes.push_back(MakeBox(0, int32_t(m_colors.size()) - 1));
  while (m_boxes.size() < size_t(kColors)) {
    const QuantBox box = m_boxes.front();
    SortBoxEntries(box);
    const int32_t split = FindSplit(box);
    m_boxes.erase(m_boxes.begin());
    InsertBox(MakeBox(box.first, std::max(split, box.first)));
    InsertBox(MakeBox(std::min(split + 1, box.last), box.last));
  }
  SortBoxesByCount();
  ComputeMeans();
  FillInverseTable();
}

void MedianCutQuantizer::MapBgr(const uint8_t* bgr, uint8_t* indexes, size_t pixels) const {
  const uint8_t* inv = m_inverse.data();
  for (size_t i = 0; i < pixels; ++i, bgr += 3) indexes[i] = inv[Key(bgr[2], bgr[1], bgr[0])];
}

void MedianCutQuantizer::MapRgbx(const uint8_t* rgbx, uint8_t* indexes, size_t pixels) const {
  const uint8_t* inv = m_inverse.data();
  for (size_t i = 0; i < pixels; ++i, rgbx += 4) indexes[i] = inv[Key(rgbx[0], rgbx[1], rgbx[2])];
}

}  // namespace graphics
