// Posterising to n levels a channel, and mapping colours to a caller's palette.
#include <cstdint>
#include <vector>

#include "Pics.h"
#include "graphics/core/depth/dib_pixels.h"
#include "graphics/core/depth/dib_worker.h"
#include "graphics/core/dib_block.h"

using graphics::RgbColor;

namespace {

// Applies a colour mapping to every palette entry of an 8-bit picture or every
// pixel of a 24-bit one, in place.
template <typename Map>
void MapColors(const graphics::DibWorker& worker, Map map) {
  const graphics::DibLayout& l = worker.layout();
  graphics::LockedBlock dib(worker.block());
  if (l.bitCount == 8) {
    BYTE* entries = dib.data() + l.PaletteOffset();
    for (uint32_t i = 0; i < l.colorCount; ++i)
      graphics::WriteEntry(entries, l.entrySize, i,
                           map(graphics::ReadEntry(entries, l.entrySize, i)));
    return;
  }
  BYTE* rows = dib.data() + l.imageOffset;
  for (uint32_t r = 0; r < l.height; ++r) {
    BYTE* px = rows + r * l.stride;
    for (uint32_t x = 0; x < l.width; ++x, px += 3) {
      const RgbColor c = map(RgbColor{px[2], px[1], px[0]});
      px[0] = c.blue, px[1] = c.green, px[2] = c.red;
    }
  }
}

// Nearest of n red, green, blue triples; ties go to the lowest index. Remembers
// the last answer, since neighbouring pixels often share a colour.
class NearestColor {
 public:
  NearestColor(const unsigned char* triples, int n) : m_triples(triples), m_n(n) {}

  RgbColor operator()(RgbColor c) {
    if (m_hasLast && c == m_lastIn) return m_lastOut;
    int best = 0;
    int64_t bestDistance = INT64_MAX;
    for (int i = 0; i < m_n; ++i) {
      const unsigned char* t = m_triples + 3 * size_t(i);
      const int dr = int(c.red) - t[0], dg = int(c.green) - t[1], db = int(c.blue) - t[2];
      const int64_t d = int64_t(dr) * dr + int64_t(dg) * dg + int64_t(db) * db;
      if (d < bestDistance) bestDistance = d, best = i;
    }
    const unsigned char* t = m_triples + 3 * size_t(best);
    m_hasLast = true;
    m_lastIn = c;
    m_lastOut = {t[0], t[1], t[2]};
    return m_lastOut;
  }

 private:
  const unsigned char* m_triples;
  int m_n;
  bool m_hasLast = false;
  RgbColor m_lastIn{}, m_lastOut{};
};

}  // namespace

int CPics::SetColorDepth(HGLOBAL* phDIB, int n, unsigned char* palette) {
  if (palette == nullptr ? (n < 1 || n >= 255) : n <= 0) return 0;
  graphics::DibWorker worker(phDIB);
  if (!worker.ready()) return 0;
  if (palette == nullptr) {
    const int step = 255 / n;
    auto level = [step](uint8_t v) { return uint8_t((v / step) * step); };
    MapColors(worker, [&](RgbColor c) {
      return RgbColor{level(c.red), level(c.green), level(c.blue)};
    });
  } else {
    MapColors(worker, NearestColor(palette, n));
  }
  return 1;
}
