// Floyd-Steinberg error diffusion of grey levels to black and white, row by row, as
// the TIFF and PNG writers make 1-bit pictures: a level above 128 gives a set bit
// (most significant bit first) and leaves an error of level - 255; 7/16 of the error
// goes right, 3/16, 5/16 and 1/16 to the row below (truncating towards zero).
#pragma once

#include <cstdint>
#include <vector>

#include "Pics.h"

namespace graphics {

class BilevelDither {
 public:
  explicit BilevelDither(int width);
  // Dithers the next row (top row first) into packed bits of (width + 7) / 8 bytes.
  // `last` keeps the errors from reaching a row below.
  void Row(const BYTE* grey, BYTE* packed, bool last = false);

 private:
  int m_width;
  std::vector<std::int16_t> m_current;  // errors carried into the row being dithered
  std::vector<std::int16_t> m_next;
};

// Grey level of a colour: (30 red + 59 green + 11 blue) / 100.
inline BYTE GreyLevel(BYTE red, BYTE green, BYTE blue) {
  return BYTE((30 * red + 59 * green + 11 * blue) / 100);
}

// Grey levels of one stored row of a DIB-like picture (1, 4, 8, 24 or 32 bits; palette
// depths look their indexes up in `colors`, missing entries are black).
void GreyRow(const BYTE* row, int bits, int width, const RGBQUAD* colors, int colorCount,
             BYTE* grey);

}  // namespace graphics
