#include "graphics/platform/stretch_plan.h"

#include <algorithm>

namespace graphics {
namespace {

// Source indexes for destination pixels [first, last) of a span; false when none hits.
bool PlanSpan(std::int64_t destStart, std::int64_t destLength, std::int64_t srcStart,
              std::int64_t srcLength, std::int64_t areaStart, std::int64_t areaEnd, int sourceSize,
              int& first, std::vector<int>& out) {
  const std::int64_t begin = std::max(destStart, areaStart);
  const std::int64_t end = std::min(destStart + destLength, areaEnd);
  if (end <= begin) return false;
  first = int(begin);
  out.resize(std::size_t(end - begin));
  bool any = false;
  for (std::int64_t d = begin; d < end; ++d) {
    const std::int64_t s = srcStart + SourceOffset(d - destStart, destLength, srcLength);
    const bool inside = s >= 0 && s < sourceSize;
    out[std::size_t(d - begin)] = inside ? int(s) : -1;
    any = any || inside;
  }
  return any;
}

}  // namespace

bool MakeStretchPlan(const Rect64& dest, const Rect64& src, const RECT& area, int sourceWidth,
                     int sourceHeight, StretchPlan& plan) {
  if (dest.width <= 0 || dest.height <= 0 || src.width <= 0 || src.height <= 0) return false;
  return PlanSpan(dest.x, dest.width, src.x, src.width, area.left, area.right, sourceWidth,
                  plan.left, plan.sourceX) &&
         PlanSpan(dest.y, dest.height, src.y, src.height, area.top, area.bottom, sourceHeight,
                  plan.top, plan.sourceY);
}

}  // namespace graphics
