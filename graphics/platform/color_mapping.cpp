#include "graphics/platform/color_mapping.h"

#include <algorithm>

#include "graphics/platform/system_palette.h"

namespace graphics {
namespace {

constexpr COLORREF kNoKey = 0xFFFFFFFFu;

BYTE Expand5(std::uint32_t v) { return BYTE((v << 3) | (v >> 2)); }

std::vector<PALETTEENTRY> EntriesOf(const COLORREF* colors, std::size_t count) {
  std::vector<PALETTEENTRY> entries;
  for (std::size_t i = 0; i < count; ++i)
    entries.push_back({GetRValue(colors[i]), GetGValue(colors[i]), GetBValue(colors[i]), 0});
  return entries;
}

bool IsMonoDevice(const BitmapObject& bitmap) { return bitmap.bits == 1 && !bitmap.isDibSection; }

bool SameTables(const BitmapObject& a, const BitmapObject& b) {
  return std::equal(a.colorTable.begin(), a.colorTable.end(), b.colorTable.begin(),
                    b.colorTable.end(), [](const RGBQUAD& x, const RGBQUAD& y) {
                      return x.rgbRed == y.rgbRed && x.rgbGreen == y.rgbGreen &&
                             x.rgbBlue == y.rgbBlue;
                    });
}

// Raw values of both bitmaps mean the same colours.
bool SameFormat(const BitmapObject& a, const BitmapObject& b) {
  const bool aTrue = a.bits >= 24, bTrue = b.bits >= 24;
  if (aTrue || bTrue) return aTrue && bTrue;
  if (a.bits != b.bits) return false;
  if (a.bits == 16) return true;
  if (a.isDibSection != b.isDibSection) return false;
  return !a.isDibSection || SameTables(a, b);
}

}  // namespace

std::uint32_t RawMask(int bits) { return bits >= 24 ? 0xFFFFFFu : (std::uint32_t(1) << bits) - 1; }

COLORREF ColorOfX555(std::uint32_t raw) {
  return RGB(Expand5((raw >> 10) & 31), Expand5((raw >> 5) & 31), Expand5(raw & 31));
}

COLORREF ColorOfRaw(const BitmapObject& bitmap, std::uint32_t raw) {
  if (bitmap.bits >= 24) return raw & 0xFFFFFFu;
  if (bitmap.bits == 16) return ColorOfX555(raw);
  if (bitmap.isDibSection) {
    if (raw >= bitmap.colorTable.size()) return RGB(0, 0, 0);
    const RGBQUAD& q = bitmap.colorTable[raw];
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
  }
  switch (bitmap.bits) {
    case 1:
      return raw ? RGB(255, 255, 255) : RGB(0, 0, 0);
    case 2:
      return TwoBitColors()[raw & 3];
    case 4:
      return VgaColors()[raw & 15];
    default:
      return SystemPaletteColor(raw);
  }
}

ColorToRaw::ColorToRaw(const BitmapObject& target, const DeviceContextObject* dc)
    : m_target(target) {
  m_keys.fill(kNoKey);
  if (target.bits > 8) return;
  if (target.isDibSection) {
    for (const RGBQUAD& q : target.colorTable)
      m_choices.push_back({q.rgbRed, q.rgbGreen, q.rgbBlue, 0});
    return;
  }
  switch (target.bits) {
    case 1: {
      const COLORREF mono[2] = {RGB(0, 0, 0), RGB(255, 255, 255)};
      m_choices = EntriesOf(mono, 2);
      break;
    }
    case 2:
      m_choices = EntriesOf(TwoBitColors().data(), 4);
      break;
    case 4:
      m_choices = EntriesOf(VgaColors().data(), 16);
      break;
    default:
      m_viaSystemPalette = true;
      if (dc != nullptr) m_choices = dc->paletteEntries;
      break;
  }
}

std::uint32_t ColorToRaw::Convert(COLORREF color) const {
  if (m_target.bits >= 24) return color & 0xFFFFFFu;
  if (m_target.bits == 16)
    return ((GetRValue(color) >> 3) << 10) | ((GetGValue(color) >> 3) << 5) |
           (GetBValue(color) >> 3);
  if (!m_viaSystemPalette) return NearestEntry(m_choices, color);
  if (m_choices.empty()) return SystemPaletteIndex(color);
  const PALETTEENTRY& e = m_choices[NearestEntry(m_choices, color)];
  return SystemPaletteIndex(RGB(e.peRed, e.peGreen, e.peBlue));
}

std::uint32_t ColorToRaw::operator()(COLORREF color) {
  color &= 0xFFFFFFu;
  if (m_target.bits >= 16) return Convert(color);
  const std::size_t slot = ((color * 2654435761u) >> 20) & 4095u;
  if (m_keys[slot] != color) {
    m_keys[slot] = color;
    m_values[slot] = Convert(color);
  }
  return m_values[slot];
}

SourceConverter::SourceConverter(const BitmapObject& source, const DeviceContextObject& sourceDc,
                                 const BitmapObject& dest, const DeviceContextObject& destDc)
    : m_source(source), m_toDest(dest, &destDc) {
  if (SameFormat(source, dest)) {
    m_mode = Mode::Same;
  } else if (IsMonoDevice(source)) {
    m_mode = Mode::Lookup;
    m_lookup = {m_toDest(destDc.textColor), m_toDest(destDc.bkColor)};
  } else if (IsMonoDevice(dest)) {
    m_mode = Mode::ToMono;
    m_sourceBackground = ColorToRaw(source, &sourceDc)(sourceDc.bkColor);
  } else if (source.bits <= 8) {
    m_mode = Mode::Lookup;
    for (std::uint32_t i = 0; i < (1u << source.bits); ++i)
      m_lookup.push_back(m_toDest(ColorOfRaw(source, i)));
  } else {
    m_mode = Mode::ThroughColor;
  }
}

std::uint32_t SourceConverter::operator()(std::uint32_t raw) {
  switch (m_mode) {
    case Mode::Same:
      return raw;
    case Mode::Lookup:
      return m_lookup[raw & (m_lookup.size() - 1)];
    case Mode::ToMono:
      return raw == m_sourceBackground ? 1u : 0u;
    default:
      return m_toDest(ColorOfRaw(m_source, raw));
  }
}

bool IsSourceRop(DWORD rop) {
  return rop == SRCCOPY || rop == SRCAND || rop == SRCPAINT || rop == SRCINVERT;
}

}  // namespace graphics
