#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <set>
#include <vector>

#include "graphics/core/depth/median_cut_quantizer.h"

using graphics::MedianCutQuantizer;
using graphics::RgbColor;

namespace {

// Rows of blue, green, red pixels without padding.
std::vector<uint8_t> Bgr(const std::vector<RgbColor>& pixels) {
  std::vector<uint8_t> out;
  for (const RgbColor& c : pixels) out.insert(out.end(), {c.blue, c.green, c.red});
  return out;
}

RgbColor Cut(RgbColor c) {
  return {uint8_t(c.red & ~3), uint8_t(c.green & ~3), uint8_t(c.blue & ~3)};
}

// Smooth gradients, a few shapes and grain, much like a photograph.
std::vector<uint8_t> PhotoLike(int width, int height) {
  std::vector<uint8_t> bgr(size_t(width) * height * 3);
  uint32_t seed = 12345;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      seed = seed * 1103515245 + 12345;
      const int grain = int((seed >> 16) % 9) - 4;
      const double fx = double(x) / width, fy = double(y) / height;
      double r = 255 * fx, g = 128 + 100 * std::sin(6 * fy + 3 * fx),
             b = 255 * (1 - fy) * (0.5 + 0.5 * fx);
      if ((x - width / 3) * (x - width / 3) + (y - height / 2) * (y - height / 2) <
          width * width / 25) {
        r = 230, g = 180 + 40 * fy, b = 60;  // a sunlit disc
      }
      uint8_t* p = &bgr[(size_t(y) * width + x) * 3];
      p[2] = uint8_t(std::clamp(int(r) + grain, 0, 255));
      p[1] = uint8_t(std::clamp(int(g) + grain, 0, 255));
      p[0] = uint8_t(std::clamp(int(b) + grain, 0, 255));
    }
  return bgr;
}

}  // namespace

TEST(MedianCutQuantizer, ThreeColoursFillAllEntriesWithTheirCutValues) {
  const std::vector<RgbColor> colors = {{10, 200, 33}, {255, 0, 129}, {7, 7, 7}};
  std::vector<RgbColor> pixels;
  for (int i = 0; i < 30; ++i) pixels.push_back(colors[i % 3 == 0 ? 0 : (i % 3 == 1 ? 1 : 2)]);
  pixels.push_back(colors[0]);
  const auto bgr = Bgr(pixels);

  MedianCutQuantizer q;
  q.CountBgr(bgr.data(), pixels.size());
  q.BuildPalette();

  std::set<std::tuple<int, int, int>> seen;
  for (const RgbColor& e : q.Palette()) {
    EXPECT_TRUE(e == Cut(colors[0]) || e == Cut(colors[1]) || e == Cut(colors[2]))
        << int(e.red) << "," << int(e.green) << "," << int(e.blue);
    seen.insert({e.red, e.green, e.blue});
  }
  EXPECT_EQ(seen.size(), 3u);
  for (const RgbColor& c : colors)
    EXPECT_EQ(q.Palette()[q.IndexOf(c.red, c.green, c.blue)], Cut(c));
}

TEST(MedianCutQuantizer, SingleColourRepeatsInEveryEntry) {
  const auto bgr = Bgr({{100, 101, 102}, {100, 101, 102}});
  MedianCutQuantizer q;
  q.CountBgr(bgr.data(), 2);
  q.BuildPalette();
  for (const RgbColor& e : q.Palette()) EXPECT_EQ(e, (RgbColor{100, 100, 100}));
}

TEST(MedianCutQuantizer, NothingCountedGivesBlackPalette) {
  MedianCutQuantizer q;
  q.BuildPalette();
  for (const RgbColor& e : q.Palette()) EXPECT_EQ(e, RgbColor{});
}

TEST(MedianCutQuantizer, FewColoursEachKeepTheirOwnEntry) {
  // 64 grey levels fit in 256 boxes: every level maps to itself, cut to 6 bits.
  std::vector<RgbColor> pixels;
  for (int v = 0; v < 256; v += 4)
    for (int n = 0; n <= v / 16; ++n)
      pixels.push_back({uint8_t(v + 1), uint8_t(v + 2), uint8_t(v + 3)});
  const auto bgr = Bgr(pixels);
  MedianCutQuantizer q;
  q.CountBgr(bgr.data(), pixels.size());
  q.BuildPalette();
  for (int v = 0; v < 256; v += 4) {
    const RgbColor got = q.Palette()[q.IndexOf(uint8_t(v), uint8_t(v), uint8_t(v))];
    EXPECT_EQ(got, (RgbColor{uint8_t(v), uint8_t(v), uint8_t(v)})) << v;
  }
}

TEST(MedianCutQuantizer, BoxesAreOrderedByCountAndContainTheirColours) {
  const int w = 160, h = 120;
  const auto bgr = PhotoLike(w, h);
  MedianCutQuantizer q;
  q.CountBgr(bgr.data(), size_t(w) * h);
  q.BuildPalette();
  const auto& boxes = q.Boxes();
  ASSERT_EQ(boxes.size(), 256u);
  int64_t total = 0;
  for (size_t i = 0; i < boxes.size(); ++i) {
    if (i) {
      EXPECT_GE(boxes[i - 1].count, boxes[i].count);
    }
    EXPECT_EQ(q.Palette()[i], boxes[i].mean);
  }
  // Each pixel's entry comes from a box whose bounds hold the pixel's colour.
  for (size_t p = 0; p < size_t(w) * h; ++p) {
    const uint8_t b = bgr[3 * p] >> 2, g = bgr[3 * p + 1] >> 2, r = bgr[3 * p + 2] >> 2;
    const auto& box = boxes[q.IndexOf(bgr[3 * p + 2], bgr[3 * p + 1], bgr[3 * p])];
    ASSERT_TRUE(r >= box.minRed && r <= box.maxRed && g >= box.minGreen && g <= box.maxGreen &&
                b >= box.minBlue && b <= box.maxBlue);
    ++total;
  }
  EXPECT_EQ(total, w * h);
}

TEST(MedianCutQuantizer, PhotoLikePictureKeepsMeanErrorLow) {
  const int w = 640, h = 480;
  const auto bgr = PhotoLike(w, h);
  MedianCutQuantizer q;
  q.CountBgr(bgr.data(), size_t(w) * h);
  q.BuildPalette();
  std::vector<uint8_t> idx(size_t(w) * h);
  q.MapBgr(bgr.data(), idx.data(), idx.size());
  double err = 0;
  for (size_t p = 0; p < idx.size(); ++p) {
    const RgbColor& c = q.Palette()[idx[p]];
    err += std::abs(int(c.blue) - bgr[3 * p]) + std::abs(int(c.green) - bgr[3 * p + 1]) +
           std::abs(int(c.red) - bgr[3 * p + 2]);
  }
  const double meanPerChannel = err / (3.0 * idx.size());
  RecordProperty("mean_error", std::to_string(meanPerChannel));
  EXPECT_LT(meanPerChannel, 6.0);
}

TEST(MedianCutQuantizer, RgbxAndBgrInputsAgree) {
  const int w = 64, h = 48;
  const auto bgr = PhotoLike(w, h);
  std::vector<uint8_t> rgbx;
  for (size_t p = 0; p < size_t(w) * h; ++p)
    rgbx.insert(rgbx.end(), {bgr[3 * p + 2], bgr[3 * p + 1], bgr[3 * p], 0});
  MedianCutQuantizer a, b;
  a.CountBgr(bgr.data(), size_t(w) * h);
  b.CountRgbx(rgbx.data(), size_t(w) * h);
  a.BuildPalette();
  b.BuildPalette();
  EXPECT_EQ(a.Palette(), b.Palette());
  std::vector<uint8_t> ia(size_t(w) * h), ib(size_t(w) * h);
  a.MapBgr(bgr.data(), ia.data(), ia.size());
  b.MapRgbx(rgbx.data(), ib.data(), ib.size());
  EXPECT_EQ(ia, ib);
}
