// The display's colour tables: the 20 reserved colours of a palette display, the
// default palette made of them, the 16 colours of 4-bit device bitmaps, and the
// simulated 256-entry system palette that realised logical palettes are mapped into.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "Pics.h"

namespace graphics {

// The reserved colours: indexes 0-9 and 246-255 of the system palette.
const std::array<PALETTEENTRY, 20>& ReservedColors();

// Colours of 4-bit device bitmaps (index 0 black, 15 white).
const std::array<COLORREF, 16>& VgaColors();

// Colours of 2-bit device bitmaps: black, grey, silver, white.
const std::array<COLORREF, 4>& TwoBitColors();

COLORREF SystemPaletteColor(std::uint32_t index);
// Index of the system entry equal to the colour, else of the nearest one in use.
std::uint32_t SystemPaletteIndex(COLORREF color);

// Maps the entries into the system palette: an entry whose colour is present reuses its
// slot; others take free slots (a foreground palette may also take slots that earlier
// palettes used). Returns the number of entries given a slot of their own.
unsigned RealizeIntoSystemPalette(const std::vector<PALETTEENTRY>& entries, bool background);

// Back to the reserved colours only (tests, and a new display description).
void ResetSystemPalette();

// Index of the nearest colour (squared distance, ties to the lowest index); 0 for none.
std::uint32_t NearestEntry(const std::vector<PALETTEENTRY>& entries, COLORREF color);

inline int ColorDistance(COLORREF a, COLORREF b) {
  const int r = int(GetRValue(a)) - GetRValue(b), g = int(GetGValue(a)) - GetGValue(b),
            bl = int(GetBValue(a)) - GetBValue(b);
  return r * r + g * g + bl * bl;
}

}  // namespace graphics
