#include "graphics/platform/system_palette.h"

#include <algorithm>

namespace graphics {
namespace {

struct SystemPalette {
  std::array<COLORREF, 256> colors{};
  std::array<bool, 256> used{};
  unsigned nextVictim = 10;  // where a foreground palette starts taking used slots

  SystemPalette() { Reset(); }
  void Reset() {
    colors.fill(0);
    used.fill(false);
    const auto& reserved = ReservedColors();
    for (int i = 0; i < 10; ++i) {
      colors[i] = RGB(reserved[i].peRed, reserved[i].peGreen, reserved[i].peBlue);
      colors[246 + i] =
          RGB(reserved[10 + i].peRed, reserved[10 + i].peGreen, reserved[10 + i].peBlue);
      used[i] = used[246 + i] = true;
    }
    nextVictim = 10;
  }
};

SystemPalette& System() {
  static SystemPalette palette;
  return palette;
}

}  // namespace

const std::array<PALETTEENTRY, 20>& ReservedColors() {
  static const std::array<PALETTEENTRY, 20> colors = {{
      {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},
      {0, 0, 128, 0},     {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0},
      {192, 220, 192, 0}, {166, 202, 240, 0}, {255, 251, 240, 0}, {160, 160, 164, 0},
      {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},     {255, 255, 0, 0},
      {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0},
  }};
  return colors;
}

const std::array<COLORREF, 16>& VgaColors() {
  static const std::array<COLORREF, 16> colors = {
      RGB(0, 0, 0),       RGB(128, 0, 0),   RGB(0, 128, 0),   RGB(128, 128, 0),
      RGB(0, 0, 128),     RGB(128, 0, 128), RGB(0, 128, 128), RGB(192, 192, 192),
      RGB(128, 128, 128), RGB(255, 0, 0),   RGB(0, 255, 0),   RGB(255, 255, 0),
      RGB(0, 0, 255),     RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255)};
  return colors;
}

const std::array<COLORREF, 4>& TwoBitColors() {
  static const std::array<COLORREF, 4> colors = {RGB(0, 0, 0), RGB(128, 128, 128),
                                                 RGB(192, 192, 192), RGB(255, 255, 255)};
  return colors;
}

COLORREF SystemPaletteColor(std::uint32_t index) { return System().colors[index & 0xFF]; }

std::uint32_t SystemPaletteIndex(COLORREF color) {
  const SystemPalette& system = System();
  std::uint32_t best = 0;
  int bestDistance = 1 << 30;
  for (std::uint32_t i = 0; i < 256; ++i) {
    if (!system.used[i]) continue;
    const int distance = ColorDistance(system.colors[i], color);
    if (distance < bestDistance) {
      best = i;
      bestDistance = distance;
      if (distance == 0) break;
    }
  }
  return best;
}

unsigned RealizeIntoSystemPalette(const std::vector<PALETTEENTRY>& entries, bool background) {
  SystemPalette& system = System();
  std::array<bool, 256> claimed{};  // slots this palette maps to (never taken twice)
  unsigned mapped = 0;
  for (const PALETTEENTRY& entry : entries) {
    const COLORREF color = RGB(entry.peRed, entry.peGreen, entry.peBlue);
    int slot = -1;
    for (int i = 0; i < 256 && slot < 0; ++i)
      if (system.used[i] && system.colors[i] == color) slot = i;
    if (slot >= 0) {
      claimed[slot] = true;
      continue;
    }
    for (int i = 10; i < 246 && slot < 0; ++i)
      if (!system.used[i]) slot = i;
    if (slot < 0 && !background) {
      // A foreground palette takes slots other palettes use, but never its own.
      for (int n = 0; n < 236 && slot < 0; ++n) {
        const unsigned i = 10 + (system.nextVictim - 10 + n) % 236;
        if (!claimed[i]) slot = int(i);
      }
      if (slot >= 0) system.nextVictim = 10 + (unsigned(slot) - 10 + 1) % 236;
    }
    if (slot < 0) continue;  // a background palette shares the nearest colours
    system.colors[slot] = color;
    system.used[slot] = true;
    claimed[slot] = true;
    ++mapped;
  }
  return mapped;
}

void ResetSystemPalette() { System().Reset(); }

std::uint32_t NearestEntry(const std::vector<PALETTEENTRY>& entries, COLORREF color) {
  std::uint32_t best = 0;
  int bestDistance = 1 << 30;
  for (std::uint32_t i = 0; i < entries.size(); ++i) {
    const PALETTEENTRY& e = entries[i];
    const int distance = ColorDistance(RGB(e.peRed, e.peGreen, e.peBlue), color);
    if (distance < bestDistance) {
      best = i;
      bestDistance = distance;
      if (distance == 0) break;
    }
  }
  return best;
}

}  // namespace graphics
