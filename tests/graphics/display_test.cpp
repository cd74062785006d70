// Drawing pictures: zoom paths, transparency, the disabled-GIF placeholder and palettes.
#include <gtest/gtest.h>

#include <chrono>

#include "Pics.h"
#include "drawing_test_support.h"
#include "graphics/core/disabled_gif.h"
#include "graphics/core/zoom_drawing.h"

using drawtest::Canvas;
using drawtest::PositionColor;

namespace {

constexpr COLORREF kBackground = RGB(17, 34, 51);

void ExpectSamePixels(const std::vector<COLORREF>& actual, const std::vector<COLORREF>& expected,
                      int width) {
  ASSERT_EQ(actual.size(), expected.size());
  int mismatches = 0;
  for (std::size_t i = 0; i < actual.size() && mismatches < 5; ++i)
    if (actual[i] != expected[i]) {
      ++mismatches;
      ADD_FAILURE() << "pixel " << i % width << "," << i / width << ": " << std::hex << actual[i]
                    << " instead of " << expected[i];
    }
}

struct ZoomCase {
  const char* name;
  int canvasWidth, canvasHeight;
  RECT dest;
};

// Pictures of 40 x 30 at many zooms and offsets; every path must show what a direct
// nearest-neighbour stretch of the whole picture shows.
const ZoomCase kZoomCases[] = {
    {"below_1_1", 120, 80, {3, 4, 45, 36}},
    {"zoom_1_5_mostly_visible", 70, 50, {-5, -4, 55, 41}},
    {"zoom_4_quarter_visible", 80, 60, {0, 0, 160, 120}},
    {"zoom_4_offset_negative", 90, 70, {-77, -51, 83, 69}},
    {"zoom_7_3_non_integer", 100, 90, {-130, -45, 162, 174}},
    {"zoom_10_exact", 120, 100, {-203, -157, 197, 143}},
    {"zoom_12_5", 120, 100, {-313, -211, 187, 164}},
    {"zoom_37_x_only", 200, 60, {-611, 0, 869, 45}},
    {"zoom_250", 150, 120, {-4321, -3999, 5679, 3501}},
    {"zoom_3000", 64, 64, {-50000, -40000, 70000, 50000}},
};

}  // namespace

class DisplayZoom : public ::testing::TestWithParam<ZoomCase> {};

TEST_P(DisplayZoom, DrawsTheSamePixelsAsADirectStretch) {
  const ZoomCase& c = GetParam();
  drawtest::PicturePtr picture(drawtest::MakePicture(drawtest::MakeDib24(40, 30, PositionColor)));
  ASSERT_NE(picture, nullptr);
  Canvas canvas(c.canvasWidth, c.canvasHeight);
  canvas.Fill(kBackground);
  EXPECT_EQ(picture->DisplayPicture(canvas.cdc(), &c.dest), 1);
  ExpectSamePixels(
      canvas.Pixels(),
      drawtest::DirectStretch(picture->m_hDIB, c.dest, c.canvasWidth, c.canvasHeight, kBackground),
      c.canvasWidth);
  // The same through DisplayDIB, with no picture object.
  Canvas again(c.canvasWidth, c.canvasHeight);
  again.Fill(kBackground);
  EXPECT_EQ(CPics::DisplayDIB(again.cdc(), picture->m_hDIB, &c.dest, nullptr, PictureBMP, 1), 1);
  ExpectSamePixels(again.Pixels(), canvas.Pixels(), c.canvasWidth);
}

INSTANTIATE_TEST_SUITE_P(Zooms, DisplayZoom, ::testing::ValuesIn(kZoomCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DisplayPicture, StagesOfLargeZoomsStayWithinTheVisibleSize) {
  EXPECT_EQ(graphics::TenfoldStages(9.99, 5, 1000), 0);
  EXPECT_EQ(graphics::TenfoldStages(12.5, 5, 1000), 1);
  EXPECT_EQ(graphics::TenfoldStages(250, 5, 1000), 2);
  EXPECT_EQ(graphics::TenfoldStages(250, 5, 499), 1);
  EXPECT_EQ(graphics::TenfoldStages(1e12, 1, 1LL << 40), 9);
}

TEST(DisplayPicture, NothingVisibleOrNoPictureGivesZero) {
  drawtest::PicturePtr picture(drawtest::MakePicture(drawtest::MakeDib24(10, 10, PositionColor)));
  Canvas canvas(20, 20);
  const RECT away{100, 100, 150, 150};
  EXPECT_EQ(picture->DisplayPicture(canvas.cdc(), &away), 0);
  const RECT nearby{5, 5, 55, 55};
  EXPECT_EQ(picture->DisplayPicture(canvas.cdc(), &nearby), 1);
  EXPECT_EQ(CPics::DisplayDIB(canvas.cdc(), nullptr, &nearby, nullptr, PictureBMP, 1), 0);
  EXPECT_EQ(CPics::DisplayDIB(canvas.cdc(), picture->m_hDIB, nullptr, nullptr, PictureBMP, 1), 0);
  EXPECT_EQ(CPics::PaintDIB(canvas.cdc(), nullptr, &nearby, 0, 0, PictureBMP, 1), 0);
  // A DIB whose block is too small for its header's promises is refused, not read.
  HGLOBAL damaged = GlobalAlloc(GHND, 40);
  auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(damaged));
  *header = BITMAPINFOHEADER{40, 1000, 1000, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  GlobalUnlock(damaged);
  EXPECT_EQ(CPics::PaintDIB(canvas.cdc(), damaged, &nearby, 0, 0, PictureBMP, 1), 0);
  EXPECT_EQ(CPics::DisplayDIB(canvas.cdc(), damaged, &nearby, nullptr, PictureBMP, 1), 0);
  GlobalFree(damaged);
  // Without the drawn DIB the picture shows nothing.
  CPics empty;
  EXPECT_EQ(empty.DisplayPicture(canvas.cdc(), &nearby), 0);
  EXPECT_EQ(empty.DisplayPictureNew(canvas.cdc(), &nearby), 0);
}

TEST(DisplayDIB, GivenVisibleRectangleLimitsTheDrawing) {
  HGLOBAL dib = drawtest::MakeDib24(20, 20, PositionColor);
  Canvas canvas(60, 60);
  canvas.Fill(kBackground);
  const RECT dest{0, 0, 60, 60};
  const RECT visible{10, 20, 30, 50};
  EXPECT_EQ(CPics::DisplayDIB(canvas.cdc(), dib, &dest, &visible, PictureBMP, 1), 1);
  const auto direct = drawtest::DirectStretch(dib, dest, 60, 60, kBackground);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 60; ++x) {
      const bool inside = x >= 10 && x < 30 && y >= 20 && y < 50;
      EXPECT_EQ(canvas.At(x, y), inside ? direct[std::size_t(y) * 60 + x] : kBackground)
          << x << "," << y;
    }
  GlobalFree(dib);
}

TEST(DisplayPicture, TransparentColourLeavesTheDestinationUnchanged) {
  auto color = [](int x, int y) {
    return (x + y) % 3 == 0 ? RGB(255, 255, 255) : RGB(BYTE(x * 9), 0, BYTE(y * 9));
  };
  drawtest::PicturePtr picture(drawtest::MakePicture(drawtest::MakeDib24(12, 10, color)));
  picture->m_bTransparent = 1;
  picture->m_transparentColor = RGB(255, 255, 255);
  for (const RECT dest :
       {RECT{2, 3, 14, 13}, RECT{-30, -20, 90, 80}, RECT{-500, -400, 1000, 900}}) {
    Canvas canvas(40, 30);
    canvas.FillPattern();
    const auto before = canvas.Pixels();
    EXPECT_EQ(picture->DisplayPicture(canvas.cdc(), &dest), 1);
    const auto opaque = drawtest::DirectStretch(picture->m_hDIB, dest, 40, 30, kBackground);
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x) {
        const std::size_t i = std::size_t(y) * 40 + x;
        const COLORREF drawn = opaque[i];
        const COLORREF expected =
            drawn == RGB(255, 255, 255) || drawn == kBackground ? before[i] : drawn;
        ASSERT_EQ(canvas.At(x, y), expected) << x << "," << y << " in " << dest.right;
      }
  }
}

TEST(DisplayPictureNew, ComposesOverTheBackgroundWithTheTransparentColourAlways) {
  auto color = [](int x, int y) {
    return x < 3 ? RGB(0, 255, 0) : RGB(BYTE(x * 20), BYTE(y * 20), 1);
  };
  drawtest::PicturePtr picture(drawtest::MakePicture(drawtest::MakeDib24(6, 6, color)));
  picture->m_bTransparent = 0;
  picture->m_transparentColor = RGB(0, 255, 0);
  picture->m_xPos = 2;
  picture->m_yPos = 1;
  Canvas canvas(12, 12);
  canvas.FillPattern();
  const auto before = canvas.Pixels();
  EXPECT_EQ(picture->DisplayPictureNew(canvas.cdc(), nullptr), 1);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) {
      const bool inPicture = x >= 2 && x < 8 && y >= 1 && y < 7;
      const bool seeThrough = !inPicture || x - 2 < 3;
      EXPECT_EQ(canvas.At(x, y), seeThrough ? before[std::size_t(y) * 12 + x] : color(x - 2, y - 1))
          << x << "," << y;
    }
}

class DisabledGif : public ::testing::Test {
 protected:
  void TearDown() override {
    CPics::GifImageDisplayEnable = 0;
    CPics::GifImageFrameThickness = 4;
    CPics::GifImageFrameColor = RGB(255, 0, 0);
    if (CPics::GifImageDIB != nullptr) GlobalFree(CPics::GifImageDIB);
    CPics::GifImageDIB = nullptr;
  }
  static drawtest::PicturePtr GifPicture() {
    drawtest::PicturePtr picture(drawtest::MakePicture(drawtest::MakeDib24(10, 10, PositionColor)));
    picture->m_type = PictureGIF;
    picture->m_bEnabled = 0;
    return picture;
  }
};

TEST_F(DisabledGif, ShowsAWhiteRectangleInARedFourPixelFrame) {
  auto picture = GifPicture();
  Canvas canvas(40, 40);
  canvas.Fill(kBackground);
  const RECT dest{5, 6, 35, 30};  // zoom 3 and 2.4: still drawn as the placeholder
  EXPECT_EQ(picture->DisplayPicture(canvas.cdc(), &dest), 1);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) {
      const bool inside = x >= 5 && x < 35 && y >= 6 && y < 30;
      const bool frame = inside && (x < 9 || x >= 31 || y < 10 || y >= 26);
      const COLORREF expected = !inside ? kBackground : frame ? RGB(255, 0, 0) : RGB(255, 255, 255);
      ASSERT_EQ(canvas.At(x, y), expected) << x << "," << y;
    }
  // Switched on library-wide, or enabled for this picture, it is drawn as it is.
  CPics::GifImageDisplayEnable = 1;
  EXPECT_EQ(picture->DisplayPicture(canvas.cdc(), &dest), 1);
  EXPECT_EQ(canvas.At(5, 6), PositionColor(0, 0));
  CPics::GifImageDisplayEnable = 0;
  picture->m_bEnabled = 1;
  EXPECT_EQ(CPics::PaintDIB(canvas.cdc(), picture->m_hDIB, &dest, 0, 0, PictureGIF, 0), 1);
  EXPECT_EQ(canvas.At(5, 6), RGB(255, 0, 0));
}

TEST_F(DisabledGif, PlaceholderIsScaledAndCentredWithoutFrameWhenThicknessIsZero) {
  CPics::GifImageDIB =
      drawtest::MakeDib24(4, 2, [](int x, int) { return RGB(0, BYTE(100 + x), 0); });
  CPics::GifImageFrameThickness = 0;
  const graphics::DrawRect placed =
      graphics::PlaceholderRect(graphics::DrawRect{0, 0, 30, 20}, 4, 2);
  EXPECT_EQ(placed.left, 0);
  EXPECT_EQ(placed.right, 30);
  EXPECT_EQ(placed.top, 2);  // 4 x 2 at 7.5: 30 x 15, (20 - 15) / 2 rows down
  EXPECT_EQ(placed.bottom, 17);
  auto picture = GifPicture();
  Canvas canvas(30, 20);
  canvas.Fill(kBackground);
  const RECT dest{0, 0, 30, 20};
  EXPECT_EQ(picture->DisplayPicture(canvas.cdc(), &dest), 1);
  EXPECT_EQ(canvas.At(0, 1), kBackground);
  EXPECT_EQ(canvas.At(0, 2), RGB(0, 100, 0));
  EXPECT_EQ(canvas.At(29, 16), RGB(0, 103, 0));
  EXPECT_EQ(canvas.At(29, 17), kBackground);
  // A frame colour and thickness of the host's choice.
  CPics::GifImageFrameThickness = 3;
  CPics::GifImageFrameColor = RGB(0, 0, 255);
  EXPECT_EQ(picture->DisplayPicture(canvas.cdc(), &dest), 1);
  // Inset (3 + 1) / 2 = 2: the pen covers columns 1 to 3 on the left.
  EXPECT_EQ(canvas.At(0, 10), RGB(0, 100, 0));
  EXPECT_EQ(canvas.At(1, 10), RGB(0, 0, 255));
  EXPECT_EQ(canvas.At(3, 10), RGB(0, 0, 255));
  EXPECT_EQ(canvas.At(4, 10), RGB(0, 100, 0));
}

TEST(PaletteDisplay, DitheredPictureDrawsInStandardColoursAndCapturesBack) {
  drawtest::ScopedDisplay display(graphics::PaletteDisplay8());
  auto color = [](int x, int y) { return RGB(BYTE(x * 25), BYTE(y * 25), 128); };
  drawtest::PicturePtr picture(drawtest::MakePicture(drawtest::MakeDib24(11, 11, color), 1));
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->m_bNoDither, 0);
  Canvas canvas(22, 22);
  CPalette* previous = nullptr;
  EXPECT_EQ(picture->SetPal(canvas.cdc(), &previous, 0), 208u);
  ASSERT_NE(previous, nullptr);
  EXPECT_EQ(previous->GetSafeHandle(), GetDefaultPalette());
  const RECT dest{0, 0, 22, 22};
  EXPECT_EQ(picture->DisplayPicture(canvas.cdc(), &dest), 1);
  // Every pixel is a colour of the six-level cube.
  for (COLORREF c : canvas.Pixels())
    for (BYTE v : {GetRValue(c), GetGValue(c), GetBValue(c)}) ASSERT_EQ(v % 51, 0) << std::hex << c;
  drawtest::PicturePtr shot(CPics::NewPicture(canvas.cdc(), dest, "shot.bmp", PictureBMP));
  ASSERT_NE(shot, nullptr);
  EXPECT_EQ(shot->m_bitsPerPixel, 8);
  for (int y = 0; y < 22; y += 3)
    for (int x = 0; x < 22; x += 3) EXPECT_EQ(shot->GetPixel(x, y), canvas.At(x, y));
  canvas.cdc()->SelectPalette(previous, FALSE);
  EXPECT_EQ(GetCurrentPalette(canvas.dc()), GetDefaultPalette());
}
