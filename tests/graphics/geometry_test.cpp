// Turns, mirroring, scaling and cropping of DIBs, checked pixel by pixel against
// coordinates worked out here.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "Pics.h"
#include "graphics/processing/geometry_ops.h"
#include "processing_dibs.h"

using namespace processing_test;

namespace {

RgbColor Colour(int x, int y) {
  return {uint8_t(10 + x * 20), uint8_t(100 + y * 30), uint8_t(x * 7 + y * 3)};
}

// An 8-bit picture whose index at (x, y) is 16y + x, palette entry i = (i, 255 - i, 3i).
HGLOBAL IndexedPicture(int width, int height) {
  std::vector<RgbColor> palette(256);
  for (int i = 0; i < 256; ++i) palette[size_t(i)] = {uint8_t(i), uint8_t(255 - i), uint8_t(3 * i)};
  HGLOBAL h = MakeDib(width, height, 8, palette);
  View v(h);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) v.setIndex(x, y, 16 * y + x);
  return h;
}

// Pixel at column x and stored row r (0 = bottom row).
RgbColor Stored(const View& v, int x, int r) { return v.rgb(x, v.height() - 1 - r); }

}  // namespace

TEST(QuarterTurn, ClockwiseMovesTopLeftToTopRight) {
  Dib dib(MakeTrueColor(3, 2, Colour));
  ASSERT_EQ(graphics::RotateQuarterTurn(dib.slot(), true), 1);
  View v(dib.get());
  ASSERT_EQ(v.width(), 2);
  ASSERT_EQ(v.height(), 3);
  EXPECT_EQ(v.bits(), 24);
  // On screen, old (x, y) lands at (H - 1 - y, x).
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(v.rgb(1 - y, x), Colour(x, y)) << x << "," << y;
}

TEST(QuarterTurn, CounterClockwiseUndoesClockwiseAndExpandsPalettes) {
  Dib dib(IndexedPicture(5, 3));
  ASSERT_EQ(graphics::RotateQuarterTurn(dib.slot(), false), 1);
  {
    View v(dib.get());
    ASSERT_EQ(v.width(), 3);
    ASSERT_EQ(v.height(), 5);
    EXPECT_EQ(v.bits(), 24);
    // On screen, old (x, y) lands at (y, W - 1 - x).
    EXPECT_EQ(v.rgb(0, 4), (RgbColor{0, 255, 0}));     // old top-left
    EXPECT_EQ(v.rgb(2, 0), (RgbColor{36, 219, 108}));  // old bottom-right, index 36
  }
  ASSERT_EQ(graphics::RotateQuarterTurn(dib.slot(), true), 1);
  View v(dib.get());
  ASSERT_EQ(v.width(), 5);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      const int i = 16 * y + x;
      EXPECT_EQ(v.rgb(x, y), (RgbColor{uint8_t(i), uint8_t(255 - i), uint8_t(3 * i)}));
    }
}

TEST(RotateByAngle, ZeroDegreesKeepsSizeAndPixels) {
  Dib dib(MakeTrueColor(6, 4, Colour));
  ASSERT_EQ(graphics::RotateByAngle(dib.slot(), 0), 1);
  View v(dib.get());
  ASSERT_EQ(v.width(), 6);
  ASSERT_EQ(v.height(), 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(v.rgb(x, y), Colour(x, y));
}

TEST(RotateByAngle, FortyFiveDegreesGivesFourteenSquareWithWhiteCorners) {
  Dib dib(MakeTrueColor(10, 10, [](int, int) { return RgbColor{0, 0, 0}; }));
  ASSERT_EQ(graphics::RotateByAngle(dib.slot(), 45), 1);
  View v(dib.get());
  ASSERT_EQ(v.width(), 14);
  ASSERT_EQ(v.height(), 14);
  const RgbColor white{255, 255, 255}, black{0, 0, 0};
  EXPECT_EQ(v.rgb(0, 0), white);
  EXPECT_EQ(v.rgb(13, 0), white);
  EXPECT_EQ(v.rgb(0, 13), white);
  EXPECT_EQ(v.rgb(13, 13), white);
  EXPECT_EQ(v.rgb(7, 7), black);
}

TEST(RotateByAngle, EveryPixelFollowsTheNearestSourceRule) {
  // Independent evaluation of the sampling rule in double precision.
  const int w = 7, h = 5;
  for (double angle : {37.0, -23.0, 200.0}) {
    Dib dib(MakeTrueColor(w, h, Colour));
    ASSERT_EQ(graphics::RotateByAngle(dib.slot(), angle), 1);
    const double c = std::cos(angle * M_PI / 180), s = std::sin(angle * M_PI / 180);
    double x0 = 1e9, x1 = -1e9, y0 = 1e9, y1 = -1e9;
    for (auto [x, y] : {std::pair{0, 0}, {0, h}, {w, h}, {w, 0}}) {
      const double tx = std::floor(c * x + s * y + 0.5), ty = std::floor(c * y - s * x + 0.5);
      x0 = std::min(x0, tx), x1 = std::max(x1, tx), y0 = std::min(y0, ty), y1 = std::max(y1, ty);
    }
    View v(dib.get());
    ASSERT_EQ(v.width(), int(x1 - x0)) << angle;
    ASSERT_EQ(v.height(), int(y1 - y0)) << angle;
    for (int j = 0; j < v.height(); ++j)
      for (int i = 0; i < v.width(); ++i) {
        const double X = i + x0, Y = j + y0;
        const int sx = int(std::floor(X * c - Y * s + 0.5)),
                  sy = int(std::floor(Y * c + X * s + 0.5));
        const RgbColor expected = (sx >= 0 && sx < w && sy >= 0 && sy < h)
                                      ? Colour(sx, h - 1 - sy)
                                      : RgbColor{255, 255, 255};
        EXPECT_EQ(Stored(v, i, j), expected) << angle << " at " << i << "," << j;
      }
  }
}

TEST(RotateByAngle, LargePicturesReadEverySourcePixelTheyNeed) {
  // The turn gives the pages of source rows it is done with back while it runs; a row
  // given back too early reads as black. Every pixel here names its own place, so each
  // result pixel can be traced to its source and checked against the rule (within a
  // pixel: the tables are single precision).
  const int w = 900, h = 700;
  const auto place = [](int x, int y) {
    return RgbColor{uint8_t(x), uint8_t(y), uint8_t((x >> 8) | ((y >> 8) << 4))};
  };
  for (double angle : {17.0, 45.0, 90.5, 135.0, 200.0, 291.0, -33.0}) {
    Dib dib(MakeTrueColor(w, h, place));
    ASSERT_EQ(graphics::RotateByAngle(dib.slot(), angle), 1);
    const double c = std::cos(angle * M_PI / 180), s = std::sin(angle * M_PI / 180);
    double x0 = 1e9, y0 = 1e9;
    for (auto [x, y] : {std::pair{0, 0}, {0, h}, {w, h}, {w, 0}}) {
      x0 = std::min(x0, std::floor(c * x + s * y + 0.5));
      y0 = std::min(y0, std::floor(c * y - s * x + 0.5));
    }
    View v(dib.get());
    int wrong = 0;
    for (int j = 0; j < v.height(); ++j)
      for (int i = 0; i < v.width(); ++i) {
        const double X = i + x0, Y = j + y0;
        const double sx = X * c - Y * s + 0.5, sy = Y * c + X * s + 0.5;
        const RgbColor got = Stored(v, i, j);
        if (sx < 1 || sx >= w - 1 || sy < 1 || sy >= h - 1) continue;  // edges: either may hold
        const int x = got.red | ((got.blue & 15) << 8);
        const int y = h - 1 - (got.green | ((got.blue >> 4) << 8));
        if (std::abs(x - std::floor(sx)) > 1 || std::abs(y - std::floor(sy)) > 1) ++wrong;
      }
    EXPECT_EQ(wrong, 0) << angle;
  }
}

TEST(RotateByAngle, TurnedSizeBeyondTheLargestPictureIsRefusedUntouched) {
  // 1 bit a pixel keeps the block small; the refusal must come before any expansion.
  Dib dib(MakeDib(32767, 14000, 1, {{0, 0, 0}, {255, 255, 255}}));
  HGLOBAL before = dib.get();
  EXPECT_EQ(graphics::RotateByAngle(dib.slot(), 45), 0);
  EXPECT_EQ(dib.get(), before);
  EXPECT_EQ(View(dib.get()).bits(), 1);
  EXPECT_EQ(graphics::RotateByAngle(dib.slot(), NAN), 0);
}

TEST(Flip, HorizontalKeepsOddMiddleColumnAndTwiceRestores) {
  Dib dib(IndexedPicture(5, 2));
  ASSERT_EQ(graphics::FlipHorizontal(dib.slot()), 1);
  {
    View v(dib.get());
    EXPECT_EQ(v.bits(), 8);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 5; ++x) EXPECT_EQ(v.index(x, y), 16 * y + (4 - x));
  }
  ASSERT_EQ(graphics::FlipHorizontal(dib.slot()), 1);
  View v(dib.get());
  for (int x = 0; x < 5; ++x) EXPECT_EQ(v.index(x, 1), 16 + x);
}

TEST(Flip, VerticalSwapsRowsOfTrueColourPictures) {
  Dib dib(MakeTrueColor(3, 3, Colour));
  ASSERT_EQ(graphics::FlipVertical(dib.slot()), 1);
  View v(dib.get());
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(v.rgb(x, y), Colour(x, 2 - y));
}

TEST(Flip, FourBitPicturesAreExpandedToEightBits) {
  Dib dib(MakeDib(3, 1, 4, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, false, 3));
  {
    View v(dib.get());
    v.setIndex(0, 0, 0), v.setIndex(1, 0, 1), v.setIndex(2, 0, 2);
  }
  ASSERT_EQ(graphics::FlipHorizontal(dib.slot()), 1);
  View v(dib.get());
  EXPECT_EQ(v.bits(), 8);
  EXPECT_EQ(v.rgb(0, 0), (RgbColor{7, 8, 9}));
  EXPECT_EQ(v.rgb(2, 0), (RgbColor{1, 2, 3}));
}

TEST(Resize, HalfRoundsUpAndDoubleRepeatsPixels) {
  Dib half(MakeTrueColor(5, 3, Colour));
  ASSERT_EQ(graphics::ResizeByFactor(half.slot(), 0.5f), 1);
  {
    View v(half.get());
    ASSERT_EQ(v.width(), 3);
    ASSERT_EQ(v.height(), 2);
    // New stored row r takes old stored row 3r/2, new column x old column 5x/3.
    for (int r = 0; r < 2; ++r)
      for (int x = 0; x < 3; ++x) EXPECT_EQ(Stored(v, x, r), Colour(5 * x / 3, 2 - 3 * r / 2));
  }
  Dib twice(IndexedPicture(3, 2));
  ASSERT_EQ(graphics::ResizeByFactor(twice.slot(), 2.0f), 1);
  View v(twice.get());
  ASSERT_EQ(v.width(), 6);
  ASSERT_EQ(v.height(), 4);
  EXPECT_EQ(v.bits(), 8);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(v.index(x, y), 16 * (y / 2) + x / 2);
}

TEST(Resize, FactorOneZeroNegativeAndOversizedAreHandledWithoutChange) {
  Dib dib(IndexedPicture(4, 4));
  HGLOBAL before = dib.get();
  EXPECT_EQ(graphics::ResizeByFactor(dib.slot(), 1.0f), 1);
  EXPECT_EQ(graphics::ResizeByFactor(dib.slot(), 0.0f), 0);
  EXPECT_EQ(graphics::ResizeByFactor(dib.slot(), -2.0f), 0);
  EXPECT_EQ(graphics::ResizeByFactor(dib.slot(), 10000.0f), 0);  // 40000 pixels: no 16-bit wrap
  EXPECT_EQ(dib.get(), before);
  EXPECT_EQ(View(dib.get()).width(), 4);

  Dib big(MakeDib(20000, 20000, 1, {{0, 0, 0}, {255, 255, 255}}));
  EXPECT_EQ(graphics::ResizeByFactor(big.slot(), 2.0f), 0);
  EXPECT_EQ(View(big.get()).bits(), 1);
}

TEST(Resize, CoreHeaderKeepsItsKindAndGetsSixteenBitSizes) {
  Dib dib(MakeDib(2, 2, 8, std::vector<RgbColor>(256, RgbColor{9, 8, 7}), true));
  ASSERT_EQ(graphics::ResizeByFactor(dib.slot(), 1.5f), 1);
  View v(dib.get());
  EXPECT_EQ(v.headerSize(), 12u);
  EXPECT_EQ(v.width(), 3);
  EXPECT_EQ(v.height(), 3);
  EXPECT_EQ(v.rgb(2, 2), (RgbColor{9, 8, 7}));
}

TEST(Crop, NegativeOriginShortensTheArea) {
  Dib dib(MakeTrueColor(6, 3, Colour));
  ASSERT_EQ(CPics::Crop(dib.slot(), POINT{-2, 0}, SIZE{5, 1}), 1);
  View v(dib.get());
  ASSERT_EQ(v.width(), 3);
  ASSERT_EQ(v.height(), 1);
  EXPECT_EQ(v.headerSize(), 40u);
  // Origin y = 0 is the first stored row: the bottom of the picture.
  for (int x = 0; x < 3; ++x) EXPECT_EQ(v.rgb(x, 0), Colour(x, 2));
}

TEST(Crop, AreaIsCutAtThePictureEdgesAndPalettesExpand) {
  Dib dib(IndexedPicture(5, 4));
  ASSERT_EQ(CPics::Crop(dib.slot(), POINT{3, 1}, SIZE{10, 10}), 1);
  View v(dib.get());
  ASSERT_EQ(v.width(), 2);
  ASSERT_EQ(v.height(), 3);
  EXPECT_EQ(v.bits(), 24);
  const int i = 16 * 0 + 3;  // top-left of the kept area is picture (3, 0)
  EXPECT_EQ(v.rgb(0, 0), (RgbColor{uint8_t(i), uint8_t(255 - i), uint8_t(3 * i)}));
}

TEST(Crop, AreasOutsideThePictureAreRefusedWithoutChange) {
  Dib dib(MakeTrueColor(4, 4, Colour));
  HGLOBAL before = dib.get();
  EXPECT_EQ(CPics::Crop(dib.slot(), POINT{4, 0}, SIZE{1, 1}), 0);
  EXPECT_EQ(CPics::Crop(dib.slot(), POINT{0, 4}, SIZE{1, 1}), 0);
  EXPECT_EQ(CPics::Crop(dib.slot(), POINT{0, 0}, SIZE{0, 1}), 0);
  EXPECT_EQ(CPics::Crop(dib.slot(), POINT{0, 0}, SIZE{1, 0}), 0);
  EXPECT_EQ(CPics::Crop(dib.slot(), POINT{-5, 0}, SIZE{3, 2}), 0);  // wholly left of the picture
  EXPECT_EQ(CPics::Crop(dib.slot(), POINT{0, -9}, SIZE{2, 9}), 0);  // wholly below it
  EXPECT_EQ(CPics::Crop(dib.slot(), POINT{INT_MIN, INT_MIN}, SIZE{INT_MAX, INT_MAX}), 0);
  EXPECT_EQ(dib.get(), before);
  ASSERT_EQ(CPics::Crop(dib.slot(), POINT{1, 1}, SIZE{INT_MAX, INT_MAX}), 1);
  EXPECT_EQ(View(dib.get()).width(), 3);
}

TEST(PictureTransforms, MembersRefreshTheObjectsSize) {
  CPics* picture = CPics::CreatePicture(MakeTrueColor(6, 3, Colour), PictureBMP, 0);
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->RotateCW(), 1);
  EXPECT_EQ(picture->m_width, 3);
  EXPECT_EQ(picture->m_height, 6);
  EXPECT_EQ(picture->Resize(2.0f), 1);
  EXPECT_EQ(picture->m_width, 6);
  EXPECT_EQ(picture->Crop(POINT{0, 0}, SIZE{2, 5}), 1);
  EXPECT_EQ(picture->m_width, 2);
  EXPECT_EQ(picture->m_height, 5);
  EXPECT_EQ(picture->RotateCW(90.0f), 1);
  EXPECT_EQ(picture->m_width, 5);
  EXPECT_EQ(picture->FlipHorz(), 1);
  EXPECT_EQ(picture->FlipVert(), 1);
  EXPECT_EQ(picture->RotateCCW(), 1);
  EXPECT_EQ(picture->m_width, 2);
  CPics::ClosePicture(picture);
}

TEST(EmptyPictures, EveryOperationAcceptsPicturesWithoutPixels) {
  // Zero-width and zero-height pictures (once found by fuzzing) must pass
  // through every operation cleanly.
  for (auto [w, h] : {std::pair{0, 7}, {7, 0}, {0, 0}}) {
    for (int bits : {8, 24}) {
      auto fresh = [&] {
        return MakeDib(w, h, bits,
                       bits == 8 ? std::vector<RgbColor>(256) : std::vector<RgbColor>{});
      };
      Dib a(fresh()), b(fresh()), c(fresh()), d(fresh()), e(fresh()), f(fresh()), g(fresh());
      EXPECT_EQ(graphics::FlipVertical(a.slot()), 1);
      EXPECT_EQ(graphics::FlipHorizontal(a.slot()), 1);
      EXPECT_EQ(CPics::ImageFilter(b.slot(), 3, nullptr, 10), 1);
      EXPECT_EQ(graphics::RotateByAngle(c.slot(), 33), 1);
      EXPECT_EQ(graphics::RotateQuarterTurn(d.slot(), true), 1);
      EXPECT_EQ(graphics::ResizeByFactor(e.slot(), 3.0f), 1);
      EXPECT_EQ(CPics::ThinImage(f.slot(), 2), 1);
      ASSERT_EQ(CPics::BeginAutoTrace(g.get(), -1, 0, 0, 0, 0), 1);
      POINT points[4];
      int count = 1;
      EXPECT_EQ(CPics::GetNextLine(points, &count, 4), 0);
      CPics::EndAutoTrace();
    }
  }
}
