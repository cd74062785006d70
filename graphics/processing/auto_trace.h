// The tracer behind BeginAutoTrace / GetNextLine: follows dark strokes of a
// picture pixel by pixel and returns them as polylines, straight runs in any of
// the eight directions collapsed into single segments.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "Pics.h"
#include "graphics/core/depth/dib_layout.h"

namespace graphics {

class AutoTrace {
 public:
  struct Vertex {
    float x, y;
  };

  // Where one form of GetNextLine stands: the last start pixel, the moving end,
  // the direction of its segment (0 none, 1 horizontal, 2 vertical, 3 diagonal,
  // 4 anti-diagonal) and the point a cut-off line continues from.
  struct Cursor {
    int scanX = 0, scanY = 0;
    int x = 0, y = 0;
    int direction = 0;
    int pendingX = 0, pendingY = 0;
  };

  // Builds the ink map of a checked 24-bit DIB: every pixel that is not pure
  // white is ink, except those whose eight neighbours are all ink (filled areas
  // are traced along their outline). Null without memory.
  static std::unique_ptr<AutoTrace> FromDib(const BYTE* dib, const DibLayout& layout);

  void SetMinimumLineSize(int pixels) { m_minLineSize = pixels; }

  // The next polyline of at most maxCount points, in (column, stored row)
  // coordinates; empty when no ink is left. A mergeLimit above 0 replaces short
  // stair steps by the midpoints of their corners.
  std::vector<Vertex> NextLine(Cursor& cursor, int maxCount, int mergeLimit);

  Cursor& IntegerCursor() { return m_integerCursor; }
  Cursor& FloatCursor() { return m_floatCursor; }
  uint32_t width() const { return m_width; }
  uint32_t height() const { return m_height; }

 private:
  enum class Continuation { kFresh, kPending, kResume };

  AutoTrace(uint32_t width, uint32_t height) : m_width(width), m_height(height) {}
  void MarkInk(const BYTE* image, uint64_t stride);
  void ClearInterior();
  bool FindStart(int& x, int& y) const;
  bool TryStep(Cursor& c, int direction);

  uint32_t m_width, m_height;
  // One byte per pixel, column by column: 0 ink not yet traced, 1 otherwise.
  std::vector<uint8_t> m_map;
  int m_minLineSize = 0;
  Continuation m_continuation = Continuation::kFresh;
  bool m_merged = false;
  Cursor m_integerCursor, m_floatCursor;
};

}  // namespace graphics
