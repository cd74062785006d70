// Which source pixel each destination pixel of a stretch shows: the nearest neighbour
// at pixel centres, so rows and columns are repeated or dropped, never blended. The
// geometry is 64-bit so that very large zoomed rectangles cost only their visible part.
#pragma once

#include <cstdint>
#include <vector>

#include "Pics.h"

namespace graphics {

struct Rect64 {
  std::int64_t x = 0;
  std::int64_t y = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;
};

// Offset into a source span of srcLength pixels shown on destLength pixels.
inline std::int64_t SourceOffset(std::int64_t destOffset, std::int64_t destLength,
                                 std::int64_t srcLength) {
  const __int128 numerator = __int128(2 * destOffset + 1) * srcLength;
  const __int128 denominator = __int128(2) * destLength;
  return std::int64_t(numerator / denominator);
}

struct StretchPlan {
  int left = 0, top = 0;     // first destination pixel drawn
  std::vector<int> sourceX;  // per destination column from left; -1 outside the source
  std::vector<int> sourceY;  // per destination row from top; -1 outside the source
};

// Plans the destination pixels of `dest` that fall inside `area` (top-down source
// rectangle `src` of a sourceWidth x sourceHeight source). False when nothing is drawn
// (empty rectangles or no overlap).
bool MakeStretchPlan(const Rect64& dest, const Rect64& src, const RECT& area, int sourceWidth,
                     int sourceHeight, StretchPlan& plan);

}  // namespace graphics
