// Median-cut reduction of true-colour pixels to a 256-colour palette.
//
// Use: count every pixel (CountBgr / CountRgbx), BuildPalette() once, then map
// pixels with IndexOf / MapBgr. Colours are counted at 6 bits per channel.
// Allocation failure surfaces as std::bad_alloc.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "graphics/core/depth/standard_color_table.h"

namespace graphics {

// One box of the median cut: a run of the sorted colour list and its statistics.
struct QuantBox {
  int32_t first = 0;  // inclusive indexes into the colour list
  int32_t last = -1;
  int64_t count = 0;  // pixels in the box
  uint8_t minRed = 0, maxRed = 0, minGreen = 0, maxGreen = 0, minBlue = 0, maxBlue = 0;
  // Three 3-bit channel codes (1 red, 2 green, 4 blue): primary in bits 6-8,
  // secondary in bits 3-5, tertiary in bits 0-2.
  uint16_t sortOrder = 0;
  RgbColor mean{};
};

class MedianCutQuantizer {
 public:
  static constexpr int kColors = 256;
  static constexpr uint32_t kCells = 1u << 18;

  MedianCutQuantizer();

  // 6-bit-per-channel histogram key of a colour.
  static constexpr uint32_t Key(uint8_t r, uint8_t g, uint8_t b) {
    return (uint32_t(r >> 2) << 12) | (uint32_t(g >> 2) << 6) | uint32_t(b >> 2);
  }

  void CountBgr(const uint8_t* bgr, size_t pixels);    // 3 bytes a pixel: blue, green, red
  void CountRgbx(const uint8_t* rgbx, size_t pixels);  // 4 bytes a pixel: red, green, blue, spare

  // Cuts the counted colours into 256 boxes and builds palette and inverse table.
  void BuildPalette();

  const std::array<RgbColor, kColors>& Palette() const { return m_palette; }
  const std::vector<QuantBox>& Boxes() const { return m_boxes; }

  uint8_t IndexOf(uint8_t r, uint8_t g, uint8_t b) const { return m_inverse[Key(r, g, b)]; }
  void MapBgr(const uint8_t* bgr, uint8_t* indexes, size_t pixels) const;
  void MapRgbx(const uint8_t* rgbx, uint8_t* indexes, size_t pixels) const;

 private:
  struct ColorEntry {
    uint32_t count;
    uint32_t key;
  };

  QuantBox MakeBox(int32_t first, int32_t last) const;
  void SortBoxEntries(const QuantBox& box);
  int32_t FindSplit(const QuantBox& box) const;
  void InsertBox(const QuantBox& box);
  void SortBoxesByCount();
  void ComputeMeans();
  void FillInverseTable();

  std::vector<uint32_t> m_histogram;  // kCells counters, released by BuildPalette
  std::vector<ColorEntry> m_colors;   // one entry per non-empty histogram cell
  std::vector<QuantBox> m_boxes;
  std::vector<uint8_t> m_inverse;  // kCells palette indexes
  std::array<RgbColor, kColors> m_palette{};
};

}  // namespace graphics
