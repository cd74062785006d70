#include "graphics/core/palette_util.h"

#include <cstddef>
#include <cstring>
#include <memory>

namespace graphics {

HPALETTE MakePalette(const std::vector<PALETTEENTRY>& entries) {
  if (entries.empty() || entries.size() > 0xFFFF) return nullptr;
  // LOGPALETTE ends in a one-entry array; room for the rest follows it.
  std::vector<BYTE> storage(sizeof(LOGPALETTE) + entries.size() * sizeof(PALETTEENTRY));
  auto* description = reinterpret_cast<LOGPALETTE*>(storage.data());
  description->palVersion = 0x300;
  description->palNumEntries = static_cast<WORD>(entries.size());
  std::memcpy(storage.data() + offsetof(LOGPALETTE, palPalEntry), entries.data(),
              entries.size() * sizeof(PALETTEENTRY));
  return CreatePalette(description);
}

HPALETTE MakePaletteFromTriplets(const BYTE* rgb) {
  if (rgb == nullptr) return nullptr;
  std::vector<PALETTEENTRY> entries(256);
  for (int i = 0; i < 256; ++i) entries[i] = {rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2], 0};
  return MakePalette(entries);
}

}  // namespace graphics
