#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "Pics.h"
#include "graphics/platform/display.h"
#include "graphics/core/depth/dither_engine.h"
#include "graphics/core/depth/standard_color_table.h"
#include "processing_dibs.h"

using namespace processing_test;
using graphics::DitherEngine;
using graphics::StandardColorTable;

namespace {

// Bottom-up 24-bit rows of one colour, padded to 4 bytes.
std::vector<uint8_t> Flat(int w, int h, RgbColor c) {
  const uint32_t stride = (3 * w + 3) & ~3;
  std::vector<uint8_t> rows(size_t(stride) * h, 0xEE);  // padding that must not leak
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &rows[size_t(y) * stride + 3 * x];
      p[0] = c.blue, p[1] = c.green, p[2] = c.red;
    }
  return rows;
}

std::vector<uint8_t> Dither(int w, int h, const std::vector<uint8_t>& src) {
  DitherEngine engine{uint16_t(w), uint16_t(h)};
  std::vector<uint8_t> out(size_t(engine.Stride8()) * h, 0);
  engine.Dither(src.data(), out.data());
  return out;
}

// Switches the process-wide display for one test.
class DisplayScope {
 public:
  explicit DisplayScope(const graphics::DisplayDescription& d)
      : saved_(graphics::CurrentDisplay()) {
    graphics::SetDisplay(d);
  }
  ~DisplayScope() { graphics::SetDisplay(saved_); }

 private:
  graphics::DisplayDescription saved_;
};

}  // namespace

TEST(StandardColorTable, CubeAndGridEntries) {
  EXPECT_EQ(StandardColorTable[0], (RgbColor{0, 0, 0}));
  EXPECT_EQ(StandardColorTable[2], (RgbColor{0, 0, 102}));
  EXPECT_EQ(StandardColorTable[36 + 6 + 1], (RgbColor{41, 41, 41}));
  EXPECT_EQ(StandardColorTable[215], (RgbColor{255, 255, 255}));
  EXPECT_EQ(StandardColorTable[216], (RgbColor{36, 0, 0}));     // grid entry 32
  EXPECT_EQ(StandardColorTable[255], (RgbColor{73, 36, 255}));  // grid entry 71
}

TEST(DitherEngine, PureWhiteGivesEntry215EverywhereIncludingTheLastRow) {
  for (int h : {1, 2, 5}) {
    const int w = 5;
    const auto out = Dither(w, h, Flat(w, h, {255, 255, 255}));
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x)
        ASSERT_EQ(out[size_t(y) * 8 + x], 215) << "h=" << h << " " << x << "," << y;
      for (int x = w; x < 8; ++x) ASSERT_EQ(out[size_t(y) * 8 + x], 0) << "padding";
    }
  }
}

TEST(DitherEngine, ChannelValueOneQuantisesToLevel41) {
  const auto out = Dither(3, 3, Flat(3, 3, {1, 1, 1}));
  EXPECT_EQ(out[0], 36 + 6 + 1);
  EXPECT_EQ(StandardColorTable[out[0]], (RgbColor{41, 41, 41}));
}

TEST(DitherEngine, SpreadsTheErrorOverNeighbours) {
  const int w = 64, h = 64;
  const auto out = Dither(w, h, Flat(w, h, {128, 128, 128}));
  std::set<int> used;
  double sum = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int t = out[size_t(y) * 64 + x];
      used.insert(t);
      sum += StandardColorTable[t].green;
    }
  // q(128) alone would give 153 everywhere; diffusion mixes in darker entries.
  EXPECT_GT(used.size(), 1u);
  EXPECT_NEAR(sum / (w * h), 128.0, 16.0);
}

TEST(DitherEngine, ErrorGoesRightAndDownOnly) {
  // A single dark pixel at the top-left of a white picture pushes negative error
  // into its right and lower neighbours only.
  auto src = Flat(4, 3, {255, 255, 255});
  const uint32_t stride = 12;
  uint8_t* topLeft = &src[size_t(2) * stride];  // stored row 0 is the bottom row
  topLeft[0] = topLeft[1] = topLeft[2] = 30;    // quantises to 41: error -11 >> 2 = -3
  const auto out = Dither(4, 3, src);
  EXPECT_EQ(out[2 * 4 + 0], 43);
  // 255 - 6 and 255 - 3 still quantise to 255: the white entries survive.
  EXPECT_EQ(out[2 * 4 + 1], 215);
  EXPECT_EQ(out[1 * 4 + 0], 215);
}

TEST(CreateDitherImage, PaletteDisplayDithersTrueColourOntoTheStandardTable) {
  DisplayScope display(graphics::PaletteDisplay8());
  CPics picture;
  picture.m_hDIB = MakeTrueColor(7, 5, [](int x, int y) {
    return RgbColor{uint8_t(x * 36), uint8_t(y * 60), 255};
  });
  picture.m_bHaveDIB = 1;
  picture.m_bNoDither = 0;
  ASSERT_EQ(picture.CreateDitherImage(), 1);
  EXPECT_EQ(picture.m_bitsPerPixel, 8);
  EXPECT_EQ(picture.m_numColors, 256);
  EXPECT_EQ(picture.m_byteWidth, 8);
  View v(picture.m_hDIB);
  ASSERT_EQ(v.bits(), 8);
  for (uint32_t i = 0; i < 256; ++i) {
    ASSERT_EQ(v.entry(i), StandardColorTable[i]);
    ASSERT_EQ(picture.m_PaletteBuffer[3 * i], StandardColorTable[i].red);
  }
  EXPECT_EQ(v.index(0, 4),
            35);  // the first pixel processed, (0, 240, 255), has no error to take in
}

TEST(CreateDitherImage, PaletteDisplayWithoutDitherQuantises) {
  DisplayScope display(graphics::PaletteDisplay8());
  CPics picture;
  picture.m_hDIB = MakeTrueColor(4, 4, [](int x, int) {
    return x < 2 ? RgbColor{200, 40, 8} : RgbColor{4, 4, 4};
  });
  picture.m_bHaveDIB = 1;
  picture.m_bNoDither = 1;
  ASSERT_EQ(picture.CreateDitherImage(), 1);
  EXPECT_EQ(picture.m_bitsPerPixel, 8);
  View v(picture.m_hDIB);
  EXPECT_EQ(v.rgb(0, 0), (RgbColor{200, 40, 8}));
  const int i = v.index(3, 3);
  EXPECT_EQ(picture.m_PaletteBuffer[3 * i], 4);
}

TEST(CreateDitherImage, TrueColourDisplayKeepsThePictureAndItsOwnPalette) {
  DisplayScope display(graphics::DisplayDescription{});
  CPics picture;
  picture.m_hDIB = MakeDib(2, 2, 4, {{1, 2, 3}, {4, 5, 6}}, false, 2);
  picture.m_bHaveDIB = 1;
  picture.m_bNoDither = 0;
  const HGLOBAL before = picture.m_hDIB;
  ASSERT_EQ(picture.CreateDitherImage(), 1);
  EXPECT_EQ(picture.m_hDIB, before);
  EXPECT_EQ(picture.m_bitsPerPixel, 4);
  EXPECT_EQ(picture.m_PaletteBuffer[3], 4);  // entry 1, not the standard table's
}

TEST(CreateDitherImage, NoPictureFails) {
  CPics picture;
  EXPECT_EQ(picture.CreateDitherImage(), 0);
}
