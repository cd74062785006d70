#include "graphics/formats/coder/framework_dib.h"

#include "graphics/core/dib_block.h"
#include "graphics/formats/coder/decoded_dib.h"

namespace graphics {

DibHandle TrueColorDibOf(const CBmp& bitmap) {
  const int width = bitmap.GetWidth(), height = bitmap.GetHeight();
  DibHandle dib = AllocateDib(width, height, 24, nullptr, 0);
  LockedBlock block(dib.get());
  if (!block) return DibHandle();
  const std::size_t stride = static_cast<std::size_t>(RowStride(width, 24));
  BYTE* rows = block.data() + DibPixelOffset(24);
  BYTE** lines = bitmap.GetLineArray();
  const RGBQUAD* palette = bitmap.GetPalette();
  for (int y = 0; y < height; ++y) {
    BYTE* to = rows + std::size_t(height - 1 - y) * stride;
    const BYTE* from = lines[y];
    if (bitmap.GetBitsPerPixel() == 8) {
      for (int x = 0; x < width; ++x, to += 3) {
        const RGBQUAD& c = palette[from[x]];
        to[0] = c.rgbBlue, to[1] = c.rgbGreen, to[2] = c.rgbRed;
      }
    } else {
      for (int x = 0; x < width; ++x, to += 3, from += 4)
        to[0] = from[0], to[1] = from[1], to[2] = from[2];
    }
  }
  return dib;
}

}  // namespace graphics
