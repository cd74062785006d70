#include "graphics/processing/auto_trace.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace graphics {
namespace {

// Ink map columns are filled in bands, so the rows read and the columns
// written both stay in cache.
constexpr uint32_t kBand = 64;

// Forward and backward step of each direction (index 1..4).
constexpr int kSteps[5][2][2] = {
    {{0, 0}, {0, 0}}, {{1, 0}, {-1, 0}}, {{0, 1}, {0, -1}}, {{1, 1}, {-1, -1}}, {{1, -1}, {-1, 1}},
};

}  // namespace

std::unique_ptr<AutoTrace> AutoTrace::FromDib(const BYTE* dib, const DibLayout& layout) {
  if (layout.bitCount != 24) return nullptr;
  std::unique_ptr<AutoTrace> tracer(new (std::nothrow) AutoTrace(layout.width, layout.height));
  if (!tracer) return nullptr;
  try {
    tracer->m_map.resize(size_t(layout.width) * layout.height);
    tracer->MarkInk(dib + layout.imageOffset, layout.stride);
    tracer->ClearInterior();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return tracer;
}

void AutoTrace::MarkInk(const BYTE* image, uint64_t stride) {
  for (uint32_t x0 = 0; x0 < m_width; x0 += kBand) {
    const uint32_t x1 = std::min(m_width, x0 + kBand);
    for (uint32_t y = 0; y < m_height; ++y) {
      const BYTE* px = image + y * stride + 3 * uint64_t(x0);
      for (uint32_t x = x0; x < x1; ++x, px += 3)
        m_map[size_t(x) * m_height + y] = (px[0] & px[1] & px[2]) == 255 ? 1 : 0;
    }
  }
}

void AutoTrace::ClearInterior() {
  if (m_width < 3 || m_height < 3) return;
  const size_t h = m_height;
  // Unchanged copies of the previous and the current column; the next column is
  // still unchanged in the map itself.
  std::vector<uint8_t> previous(m_map.begin(), m_map.begin() + ptrdiff_t(h)), current(h), rows(h);
  for (uint32_t x = 1; x + 1 < m_width; ++x) {
    uint8_t* column = m_map.data() + x * h;
    const uint8_t* next = column + h;
    std::memcpy(current.data(), column, h);
    for (size_t y = 0; y < h; ++y) rows[y] = previous[y] | current[y] | next[y];
    for (size_t y = 1; y + 1 < h; ++y)
      if ((rows[y - 1] | rows[y] | rows[y + 1]) == 0) column[y] = 1;
    previous.swap(current);
  }
}

bool AutoTrace::FindStart(int& x, int& y) const {
  const size_t from = size_t(x) * m_height + size_t(y);
  if (from >= m_map.size()) return false;
  const void* hit = std::memchr(m_map.data() + from, 0, m_map.size() - from);
  if (!hit) return false;
  const size_t at = size_t(static_cast<const uint8_t*>(hit) - m_map.data());
  x = int(at / m_height);
  y = int(at % m_height);
  return true;
}

bool AutoTrace::TryStep(Cursor& c, int direction) {
  for (const auto& step : kSteps[direction]) {
    const int nx = c.x + step[0], ny = c.y + step[1];
    if (nx < 0 || ny < 0 || nx >= int(m_width) || ny >= int(m_height)) continue;
    uint8_t& cell = m_map[size_t(nx) * m_height + size_t(ny)];
    if (cell != 0) continue;
    cell = 1;
    c.x = nx, c.y = ny;
    return true;
  }
  return false;
}

std::vector<AutoTrace::Vertex> AutoTrace::NextLine(Cursor& c, int maxCount, int mergeLimit) {
  std::vector<Vertex> line;
  if (maxCount < 1) return line;
  for (;;) {
    line.clear();
    if (m_continuation == Continuation::kPending) {
      // The cut-off line goes on from the pending point, which starts a new segment.
      c.x = c.pendingX, c.y = c.pendingY;
      m_continuation = Continuation::kFresh;
    } else {
      int x = 0, y = 0;
      if (m_continuation == Continuation::kResume) x = c.scanX, y = c.scanY + 1;
      if (!FindStart(x, y)) return line;
      m_map[size_t(x) * m_height + size_t(y)] = 1;
      c.scanX = c.x = x;
      c.scanY = c.y = y;
    }
    c.direction = 0;
    m_merged = false;
    line.push_back({float(c.x), float(c.y)});
    long pixels = 1;
    int run = 0;  // pixels of the current segment, counted from its turn

    for (;;) {
      if (c.direction != 0 && TryStep(c, c.direction)) {
        line.back() = {float(c.x), float(c.y)};
        ++pixels, ++run;
        continue;
      }
      int turn = 0;
      for (int d = 1; d <= 4 && turn == 0; ++d)
        if (d != c.direction && TryStep(c, d)) turn = d;
      if (turn == 0) {
        m_continuation = Continuation::kResume;
        break;
      }
      ++pixels;
      const bool afterSegment = c.direction != 0;
      c.direction = turn;
      const Vertex here{float(c.x), float(c.y)};
      if (mergeLimit > 0 && afterSegment && run <= mergeLimit && !m_merged) {
        // A short step: the corner moves half way to the new point instead.
        line.back() = {(line.back().x + here.x) / 2, (line.back().y + here.y) / 2};
        m_merged = true;
        run = 2;
        continue;
      }
      m_merged = false;
      run = 2;
      if (int(line.size()) >= maxCount) {
        c.pendingX = c.x, c.pendingY = c.y;
        m_continuation = Continuation::kPending;
        return line;
      }
      line.push_back(here);
    }
    if (pixels > m_minLineSize) return line;
  }
}

}  // namespace graphics
