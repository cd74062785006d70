// Keeping the pixels of chosen colours and painting all others one colour.
#include <cstdint>
#include <new>
#include <vector>

#include "graphics/core/depth/dib_worker.h"
#include "graphics/core/dib_block.h"

int CPics::ColorSelection(HGLOBAL* phDIB, COLORREF replacement, COLORREF* colors, int count,
                          int tolerance) {
  if (count < 1 || colors == nullptr) return 0;
  if (!ConvertTo24BPP(phDIB)) return 0;
  const auto layout = graphics::ReadBlockLayout(*phDIB);
  if (!layout) return 0;
  // Squared distances are whole numbers of at most 3 * 255^2, so integer
  // arithmetic gives the same answers as single precision.
  const int64_t limit = int64_t(tolerance) * tolerance;
  auto kept = [&](int r, int g, int b) {
    for (int i = 0; i < count; ++i) {
      const int dr = r - GetRValue(colors[i]), dg = g - GetGValue(colors[i]),
                db = b - GetBValue(colors[i]);
      if (tolerance == 0 ? (dr == 0 && dg == 0 && db == 0)
                         : int64_t(dr * dr + dg * dg + db * db) <= limit)
        return true;
    }
    return false;
  };
  graphics::LockedBlock dib(*phDIB);
  for (uint32_t y = 0; y < layout->height; ++y) {
    BYTE* px = dib.data() + layout->imageOffset + y * layout->stride;
    for (uint32_t x = 0; x < layout->width; ++x, px += 3) {
      if (kept(px[2], px[1], px[0])) continue;
      px[0] = GetBValue(replacement), px[1] = GetGValue(replacement),
      px[2] = GetRValue(replacement);
    }
  }
  return 1;
}
