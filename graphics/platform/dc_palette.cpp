// Palettes of device contexts: the default palette, selection and realisation.
#include <vector>

#include "graphics/platform/gdi_objects.h"
#include "graphics/platform/system_palette.h"

HPALETTE GetDefaultPalette() {
  static const HPALETTE palette = [] {
    const auto& reserved = graphics::ReservedColors();
    std::vector<BYTE> storage(sizeof(LOGPALETTE) + reserved.size() * sizeof(PALETTEENTRY));
    auto* description = reinterpret_cast<LOGPALETTE*>(storage.data());
    description->palVersion = 0x300;
    description->palNumEntries = WORD(reserved.size());
    for (std::size_t i = 0; i < reserved.size(); ++i) description->palPalEntry[i] = reserved[i];
    return CreatePalette(description);
  }();
  return palette;
}

HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground) {
  if (dc == nullptr || palette == nullptr) return nullptr;
  const UINT count = GetPaletteEntries(palette, 0, 0, nullptr);
  std::vector<PALETTEENTRY> entries(count);
  if (count == 0 || GetPaletteEntries(palette, 0, count, entries.data()) != count) return nullptr;
  HPALETTE previous = dc->palette;
  dc->palette = palette;
  dc->paletteEntries = std::move(entries);
  dc->paletteBackground = forceBackground != FALSE;
  return previous;
}

UINT RealizePalette(HDC dc) {
  if (dc == nullptr || !dc->paletteDevice) return 0;
  return graphics::RealizeIntoSystemPalette(dc->paletteEntries, dc->paletteBackground);
}

HPALETTE GetCurrentPalette(HDC dc) { return dc == nullptr ? nullptr : dc->palette; }
