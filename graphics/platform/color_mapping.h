// Conversions between colours and the raw pixel values of a bitmap, and between the
// raw values of two bitmaps in a block transfer.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "graphics/platform/gdi_objects.h"

namespace graphics {

// All bits of a pixel of this depth (24 bits for 24 and 32).
std::uint32_t RawMask(int bits);

COLORREF ColorOfRaw(const BitmapObject& bitmap, std::uint32_t raw);
// The colour of a 16-bit x555 value, each 5-bit level widened to 8 bits.
COLORREF ColorOfX555(std::uint32_t raw);

// Colour to raw value for one bitmap as drawn through one context: palette device
// bitmaps take the nearest colour of the context's palette and then its system palette
// slot; DIB sections the nearest entry of their colour table. Remembers recent answers.
class ColorToRaw {
 public:
  ColorToRaw(const BitmapObject& target, const DeviceContextObject* dc);
  std::uint32_t operator()(COLORREF color);

 private:
  std::uint32_t Convert(COLORREF color) const;

  const BitmapObject& m_target;
  std::vector<PALETTEENTRY> m_choices;  // colours a palette bitmap can take
  bool m_viaSystemPalette = false;
  std::array<COLORREF, 4096> m_keys;
  std::array<std::uint32_t, 4096> m_values{};
};

// Raw value of a source bitmap to raw value of a destination bitmap in a blit:
// monochrome device bitmaps meet colour through the contexts' text and background
// colours; other formats go through the colour.
class SourceConverter {
 public:
  SourceConverter(const BitmapObject& source, const DeviceContextObject& sourceDc,
                  const BitmapObject& dest, const DeviceContextObject& destDc);
  std::uint32_t operator()(std::uint32_t raw);
  // Raw values pass unchanged.
  bool identity() const { return m_mode == Mode::Same; }

 private:
  enum class Mode { Same, Lookup, ToMono, ThroughColor };
  Mode m_mode = Mode::Same;
  std::vector<std::uint32_t> m_lookup;
  std::uint32_t m_sourceBackground = 0;
  const BitmapObject& m_source;
  ColorToRaw m_toDest;
};

// Combines source and destination values with a raster operation (SRCCOPY, SRCAND,
// SRCPAINT, SRCINVERT); false for an operation that is not built.
bool IsSourceRop(DWORD rop);
inline std::uint32_t ApplyRop(DWORD rop, std::uint32_t source, std::uint32_t dest) {
  switch (rop) {
    case SRCAND:
      return source & dest;
    case SRCPAINT:
      return source | dest;
    case SRCINVERT:
      return source ^ dest;
    default:
      return source;
  }
}

}  // namespace graphics
