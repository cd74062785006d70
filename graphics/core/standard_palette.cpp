// The standard palette: the 6 x 6 x 6 colour cube that pictures dithered for palette
// displays are drawn with.
#include <vector>

#include "Pics.h"
#include "graphics/core/palette_util.h"

HPALETTE CPics::CreateStandardPalettes() {
  constexpr BYTE kLevels[6] = {0, 51, 102, 153, 204, 255};
  std::vector<PALETTEENTRY> entries;
  entries.reserve(216);
  for (BYTE red : kLevels)
    for (BYTE green : kLevels)
      for (BYTE blue : kLevels) entries.push_back({red, green, blue, 0});
  return graphics::MakePalette(entries);
}
