// Brightness and contrast: one shift per colour, chosen by its green value.
#include <algorithm>
#include <array>
#include <cmath>

#include "graphics/processing/brightness_contrast.h"
#include "graphics/core/depth/dib_pixels.h"
#include "graphics/core/depth/dib_worker.h"
#include "graphics/core/dib_block.h"
#include "graphics/core/depth/picture_refresh.h"

namespace graphics {
namespace {

constexpr double kPi = 3.141592653589793;

// Contrast shift by green value: a sine period that darkens below 128 and
// brightens above it.
std::array<int, 256> ContrastTable(int contrast) {
  std::array<int, 256> table{};
  if (contrast == 0) return table;
  for (int i = 0; i < 256; ++i)
    table[size_t(i)] = int(contrast * std::sin(i * 2 * kPi / 256 - kPi));
  return table;
}

}  // namespace

int AdjustBrightnessContrast(HGLOBAL* handle, int brightness, int contrast) {
  if (brightness == 0 && contrast == 0) return 1;
  brightness = std::clamp(brightness, -100, 100);
  contrast = std::clamp(contrast, -48, 48);
  DibWorker worker(handle);
  if (!worker.ready()) return 0;
  const std::array<int, 256> table = ContrastTable(contrast);
  auto adjust = [&](BYTE* blue, BYTE* green, BYTE* red) {
    const int shift = table[*green] + brightness;
    *blue = BYTE(std::clamp(*blue + shift, 0, 255));
    *green = BYTE(std::clamp(*green + shift, 0, 255));
    *red = BYTE(std::clamp(*red + shift, 0, 255));
  };
  const DibLayout& l = worker.layout();
  LockedBlock dib(worker.block());
  if (l.bitCount == 8) {
    BYTE* entries = dib.data() + l.PaletteOffset();
    for (uint32_t i = 0; i < l.colorCount; ++i) {
      BYTE* e = entries + uint64_t(i) * l.entrySize;
      adjust(e, e + 1, e + 2);
    }
    return 1;
  }
  for (uint32_t r = 0; r < l.height; ++r) {
    BYTE* px = dib.data() + l.imageOffset + r * l.stride;
    for (uint32_t x = 0; x < l.width; ++x, px += 3) adjust(px, px + 1, px + 2);
  }
  return 1;
}

}  // namespace graphics

int CPics::AdjustBrightnessContrast(int brightness, int contrast) {
  if (!m_hDIB) return 0;
  if (brightness == 0 && contrast == 0) return 1;
  if (!graphics::AdjustBrightnessContrast(&m_hDIB, brightness, contrast)) return 0;
  return graphics::RefreshAfterConversion(*this);
}
