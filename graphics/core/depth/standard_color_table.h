// The library's fixed 256-colour table: the colours pictures are dithered onto
// for 8-bit palette displays, and the filler behind short palettes.
#pragma once

#include <array>
#include <cstdint>

namespace graphics {

struct RgbColor {
  uint8_t red;
  uint8_t green;
  uint8_t blue;
  friend constexpr bool operator==(const RgbColor&, const RgbColor&) = default;
};

namespace detail {

constexpr std::array<RgbColor, 256> BuildStandardColorTable() {
  // A 6x6x6 cube whose second level is 41 rather than 51 (dark shades need more room).
  constexpr uint8_t cube[6] = {0, 41, 102, 153, 204, 255};
  // The last 40 entries are entries 32..71 of a 3-3-2 grid.
  constexpr uint8_t grid[8] = {0, 36, 73, 109, 146, 182, 219, 255};
  std::array<RgbColor, 256> table{};
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) table[36 * r + 6 * g + b] = {cube[r], cube[g], cube[b]};
  for (int k = 32; k <= 71; ++k)
    table[216 + (k - 32)] = {grid[k >> 5], grid[(k >> 2) & 7], static_cast<uint8_t>(85 * (k & 3))};
  return table;
}

}  // namespace detail

inline constexpr std::array<RgbColor, 256> StandardColorTable = detail::BuildStandardColorTable();

// Index of the cube entry a channel value falls on: 0 -> 0, 1..51 -> 1, ..., 205..255 -> 5.
constexpr int StandardCubeLevel(int channel) { return (channel + 50) / 51; }

}  // namespace graphics
