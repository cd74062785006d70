// Logical palettes: an ordered list of colour entries behind an opaque handle.
#include "Pics.h"

#include <algorithm>
#include <new>
#include <vector>

struct PaletteObject {
  std::vector<PALETTEENTRY> entries;
};

HPALETTE CreatePalette(const LOGPALETTE* description) {
  if (description == nullptr || description->palNumEntries == 0) return nullptr;
  auto* palette = new (std::nothrow) PaletteObject;
  if (palette == nullptr) return nullptr;
  const PALETTEENTRY* first = description->palPalEntry;
  palette->entries.assign(first, first + description->palNumEntries);
  return palette;
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries) {
  if (palette == nullptr) return 0;
  const auto size = static_cast<UINT>(palette->entries.size());
  if (entries == nullptr) return size;
  if (start >= size) return 0;
  const UINT copied = std::min(count, size - start);
  std::copy_n(palette->entries.begin() + start, copied, entries);
  return copied;
}

BOOL DeleteObject(HPALETTE palette) {
  if (palette == nullptr) return FALSE;
  delete palette;
  return TRUE;
}
