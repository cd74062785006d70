// The software device context: facts, bitmaps, DIB sections, blits, pens and palettes.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "Pics.h"
#include "drawing_test_support.h"

using drawtest::Canvas;
using drawtest::ScopedDisplay;

TEST(DeviceContext, ScreenAndMemoryContextsReportTheDisplay) {
  ScopedDisplay display(graphics::PaletteDisplay8());
  HDC screen = GetDC(nullptr);
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 8);
  EXPECT_EQ(GetDeviceCaps(screen, PLANES), 1);
  EXPECT_EQ(GetDeviceCaps(screen, HORZRES), 1920);
  EXPECT_EQ(GetDeviceCaps(screen, VERTRES), 1080);
  EXPECT_NE(GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE, 0);
  EXPECT_EQ(GetDeviceCaps(screen, SIZEPALETTE), 256);
  RECT box{};
  EXPECT_EQ(GetClipBox(screen, &box), SIMPLEREGION);
  EXPECT_EQ(box.right, 1920);
  EXPECT_EQ(box.bottom, 1080);
  // The screen has no pixels here: drawing on it is refused, not faked.
  EXPECT_FALSE(PatBlt(screen, 0, 0, 10, 10, WHITENESS));

  HDC memory = CreateCompatibleDC(screen);
  EXPECT_EQ(GetDeviceCaps(memory, BITSPIXEL), 8);
  HBITMAP fresh = GetCurrentBitmap(memory);
  BITMAP description{};
  ASSERT_EQ(GetObject(fresh, sizeof description, &description), int(sizeof description));
  EXPECT_EQ(description.bmWidth, 1);
  EXPECT_EQ(description.bmBitsPixel, 1);
  // A bitmap compatible with the fresh memory context is monochrome, with the screen 8-bit.
  HBITMAP mono = CreateCompatibleBitmap(memory, 4, 4);
  HBITMAP colour = CreateCompatibleBitmap(screen, 4, 4);
  GetObject(mono, sizeof description, &description);
  EXPECT_EQ(description.bmBitsPixel, 1);
  GetObject(colour, sizeof description, &description);
  EXPECT_EQ(description.bmBitsPixel, 8);
  EXPECT_EQ(description.bmWidthBytes, 4);
  DeleteObject(mono);
  DeleteObject(colour);
  EXPECT_TRUE(DeleteDC(memory));
  EXPECT_FALSE(DeleteDC(screen));
  EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
}

TEST(DeviceContext, AbsurdOrEmptyBitmapSizesAreRefused) {
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(CreateCompatibleBitmap(screen, 0, 10), nullptr);
  EXPECT_EQ(CreateCompatibleBitmap(screen, -5, 10), nullptr);
  EXPECT_EQ(CreateCompatibleBitmap(screen, 100000, 100000), nullptr);
  EXPECT_EQ(CreateCompatibleBitmap(screen, 0x7FFFFFFF, 1), nullptr);
  EXPECT_EQ(CreateBitmap(10, 10, 1, 3, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(10, 10, 2, 1, nullptr), nullptr);
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{40, 70000, 70000, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = reinterpret_cast<void*>(1);
  EXPECT_EQ(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
  EXPECT_EQ(bits, nullptr);
  ReleaseDC(nullptr, screen);
}

TEST(DeviceContext, SelectedObjectsAreNeitherDeletedNorSharedWithAnotherContext) {
  Canvas canvas(8, 8);
  HDC other = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectObject(other, canvas.bitmap()), nullptr);
  EXPECT_FALSE(DeleteObject(canvas.bitmap()));
  HPEN pen = CreatePen(PS_SOLID, 2, RGB(1, 2, 3));
  HPEN stock = SelectObject(canvas.dc(), pen);
  EXPECT_FALSE(DeleteObject(pen));
  EXPECT_FALSE(DeleteObject(stock));
  SelectObject(canvas.dc(), stock);
  EXPECT_TRUE(DeleteObject(pen));
  DeleteDC(other);
}

TEST(DibSection, PixelsAreTheCallersBottomUpRows) {
  std::vector<BYTE> storage(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
  auto* info = reinterpret_cast<BITMAPINFO*>(storage.data());
  info->bmiHeader = BITMAPINFOHEADER{40, 5, 3, 1, 8, BI_RGB, 0, 0, 0, 3, 0};
  info->bmiColors[0] = RGBQUAD{0, 0, 0, 0};
  const RGBQUAD second{0, 0, 255, 0}, third{255, 0, 0, 0};
  std::memcpy(storage.data() + 44, &second, 4);
  std::memcpy(storage.data() + 48, &third, 4);
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(section, nullptr);
  ASSERT_NE(bits, nullptr);

  DIBSECTION description{};
  ASSERT_EQ(GetObject(section, sizeof description, &description), int(sizeof description));
  EXPECT_EQ(description.dsBm.bmBits, bits);
  EXPECT_EQ(description.dsBm.bmWidthBytes, 8);
  EXPECT_EQ(description.dsBmih.biBitCount, 8);
  EXPECT_EQ(description.dsBmih.biHeight, 3);
  EXPECT_EQ(description.dsBmih.biSizeImage, 24u);

  // The first stored row is the bottom row of the picture.
  static_cast<BYTE*>(bits)[0] = 1;
  static_cast<BYTE*>(bits)[2 * 8 + 4] = 2;
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, section);
  EXPECT_EQ(GetPixel(dc, 0, 2), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 4, 0), RGB(0, 0, 255));
  // Drawing goes to the nearest colour of the section's table.
  SetPixel(dc, 1, 1, RGB(10, 0, 230));
  EXPECT_EQ(static_cast<BYTE*>(bits)[8 + 1], 2);
  RGBQUAD table[4]{};
  EXPECT_EQ(GetDIBColorTable(dc, 0, 4, table), 4u);
  EXPECT_EQ(table[1].rgbRed, 255);
  EXPECT_EQ(SetDIBColorTable(dc, 255, 9, table), 1u);
  SelectObject(dc, GetCurrentBitmap(dc));
  DeleteDC(dc);
  EXPECT_TRUE(DeleteObject(section));
}

TEST(DibSection, CompressedTopDownAndMappedSectionsAreRefused) {
  BITMAPINFO info{};
  void* bits = nullptr;
  info.bmiHeader = BITMAPINFOHEADER{40, 4, -4, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
  info.bmiHeader = BITMAPINFOHEADER{40, 4, 4, 1, 8, 1, 0, 0, 0, 0, 0};
  EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
  info.bmiHeader = BITMAPINFOHEADER{40, 4, 4, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  int mapping = 0;
  EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, &mapping, 0), nullptr);
  EXPECT_EQ(CreateDIBSection(nullptr, &info, 1, &bits, nullptr, 0), nullptr);
}

TEST(BlockTransfer, CopyAndOrAndFillsCombinePixelValues) {
  Canvas source(4, 1), dest(4, 1);
  const COLORREF src[4] = {RGB(0xF0, 0x0F, 0xFF), RGB(0, 0, 0), RGB(255, 255, 255),
                           RGB(0x12, 0x34, 0x56)};
  for (int x = 0; x < 4; ++x) SetPixel(source.dc(), x, 0, src[x]);
  dest.Fill(RGB(0x3C, 0x3C, 0x3C));
  BitBlt(dest.dc(), 0, 0, 4, 1, source.dc(), 0, 0, SRCAND);
  EXPECT_EQ(dest.At(0, 0), RGB(0x30, 0x0C, 0x3C));
  EXPECT_EQ(dest.At(1, 0), RGB(0, 0, 0));
  EXPECT_EQ(dest.At(2, 0), RGB(0x3C, 0x3C, 0x3C));
  BitBlt(dest.dc(), 0, 0, 4, 1, source.dc(), 0, 0, SRCPAINT);
  EXPECT_EQ(dest.At(0, 0), RGB(0xF0, 0x0F, 0xFF));
  EXPECT_EQ(dest.At(2, 0), RGB(255, 255, 255));
  BitBlt(dest.dc(), 0, 0, 4, 1, source.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(dest.At(3, 0), RGB(0x12, 0x34, 0x56));
  EXPECT_TRUE(PatBlt(dest.dc(), 1, 0, 2, 1, BLACKNESS));
  EXPECT_EQ(dest.At(2, 0), RGB(0, 0, 0));
  EXPECT_TRUE(BitBlt(dest.dc(), 0, 0, 2, 1, nullptr, 0, 0, WHITENESS));
  EXPECT_EQ(dest.At(1, 0), RGB(255, 255, 255));
  EXPECT_EQ(dest.At(3, 0), RGB(0x12, 0x34, 0x56));
  EXPECT_FALSE(BitBlt(dest.dc(), 0, 0, 2, 1, source.dc(), 0, 0, 0x00BB0226));  // not built
}

TEST(BlockTransfer, MonochromeMasksGoThroughTextAndBackgroundColours) {
  Canvas image(3, 1), mask(3, 1, 1), dest(3, 1);
  SetPixel(image.dc(), 0, 0, RGB(255, 0, 255));
  SetPixel(image.dc(), 1, 0, RGB(10, 20, 30));
  SetPixel(image.dc(), 2, 0, RGB(255, 0, 255));
  // Colour to monochrome: pixels of the source's background colour become 1.
  SetBkColor(image.dc(), RGB(255, 0, 255));
  BitBlt(mask.dc(), 0, 0, 3, 1, image.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(mask.At(0, 0), RGB(255, 255, 255));
  EXPECT_EQ(mask.At(1, 0), RGB(0, 0, 0));
  // Monochrome to colour: 0 bits take the destination's text colour, 1 bits its background.
  SetTextColor(dest.dc(), RGB(1, 2, 3));
  SetBkColor(dest.dc(), RGB(200, 100, 50));
  BitBlt(dest.dc(), 0, 0, 3, 1, mask.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(dest.At(0, 0), RGB(200, 100, 50));
  EXPECT_EQ(dest.At(1, 0), RGB(1, 2, 3));
}

TEST(BlockTransfer, RectanglesPartlyOutsideEitherBitmapOrTheClipAreCut) {
  Canvas source(4, 4), dest(6, 6);
  source.FillPattern();
  dest.Fill(RGB(9, 9, 9));
  // Destination and source both hang over their bitmaps' edges.
  EXPECT_TRUE(BitBlt(dest.dc(), 4, -2, 10, 10, source.dc(), -1, 0, SRCCOPY));
  EXPECT_EQ(dest.At(4, 0), RGB(9, 9, 9));  // source column -1 does not exist
  EXPECT_EQ(dest.At(5, 0), source.At(0, 2));
  EXPECT_EQ(dest.At(3, 0), RGB(9, 9, 9));
  EXPECT_TRUE(BitBlt(dest.dc(), -1000000, -1000000, 2000000, 2000000, source.dc(), 0, 0, SRCCOPY));
  // A clip rectangle limits drawing and the clip box.
  Canvas clipped(6, 6);
  clipped.Fill(RGB(9, 9, 9));
  EXPECT_EQ(IntersectClipRect(clipped.dc(), 2, 2, 4, 100), SIMPLEREGION);
  RECT box{};
  GetClipBox(clipped.dc(), &box);
  EXPECT_EQ(box.left, 2);
  EXPECT_EQ(box.bottom, 6);
  PatBlt(clipped.dc(), 0, 0, 6, 6, WHITENESS);
  EXPECT_EQ(clipped.At(1, 3), 0xFFFFFFFFu);  // outside the clip box
  EXPECT_EQ(IntersectClipRect(clipped.dc(), 10, 10, 12, 12), NULLREGION);
}

TEST(BlockTransfer, OverlappingCopyWithinOneBitmapReadsTheOriginal) {
  Canvas canvas(5, 1);
  for (int x = 0; x < 5; ++x) SetPixel(canvas.dc(), x, 0, RGB(BYTE(x), 0, 0));
  BitBlt(canvas.dc(), 1, 0, 4, 1, canvas.dc(), 0, 0, SRCCOPY);
  for (int x = 1; x < 5; ++x) EXPECT_EQ(canvas.At(x, 0), RGB(BYTE(x - 1), 0, 0));
}

TEST(StretchDIBits, NonIntegerFactorsRepeatAndDropWholeRowsAndColumns) {
  HGLOBAL dib =
      drawtest::MakeDib24(10, 4, [](int x, int y) { return RGB(BYTE(x * 10), BYTE(y * 10), 0); });
  void* data = GlobalLock(dib);
  Canvas canvas(25, 10);
  // 10 columns on 4 pixels: nearest to the pixel centres, columns 1, 3, 6 and 8.
  EXPECT_EQ(StretchDIBits(canvas.dc(), 0, 0, 4, 4, 0, 0, 10, 4, CPics::DIBImagePtr(data),
                          static_cast<BITMAPINFO*>(data), DIB_RGB_COLORS, SRCCOPY),
            4);
  const int expected[4] = {1, 3, 6, 8};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(GetRValue(canvas.At(x, 0)), expected[x] * 10);
  // 4 rows on 10 pixels (factor 2.5): each row repeated 2 or 3 times, in order, no blends.
  StretchDIBits(canvas.dc(), 0, 0, 25, 10, 0, 0, 10, 4, CPics::DIBImagePtr(data),
                static_cast<BITMAPINFO*>(data), DIB_RGB_COLORS, SRCCOPY);
  std::vector<int> rows;
  for (int y = 0; y < 10; ++y) rows.push_back(GetGValue(canvas.At(0, y)) / 10);
  EXPECT_EQ(rows, (std::vector<int>{0, 0, 1, 1, 1, 2, 2, 3, 3, 3}));
  std::vector<int> columns;
  for (int x = 0; x < 25; ++x) columns.push_back(GetRValue(canvas.At(x, 0)) / 10);
  for (int c = 0; c < 10; ++c) {
    const auto n = std::count(columns.begin(), columns.end(), c);
    EXPECT_TRUE(n == 2 || n == 3) << c;
  }
  EXPECT_TRUE(std::is_sorted(columns.begin(), columns.end()));
  // A source rectangle counts its rows from the bottom of the DIB.
  StretchDIBits(canvas.dc(), 0, 0, 1, 1, 2, 0, 1, 1, CPics::DIBImagePtr(data),
                static_cast<BITMAPINFO*>(data), DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(canvas.At(0, 0), RGB(20, 30, 0));
  GlobalUnlock(dib);
  GlobalFree(dib);
}

TEST(StretchDIBits, HugeDestinationCostsOnlyItsVisiblePart) {
  HGLOBAL dib =
      drawtest::MakeDib24(3, 3, [](int x, int y) { return RGB(BYTE(x * 100), BYTE(y * 100), 7); });
  void* data = GlobalLock(dib);
  Canvas canvas(20, 20);
  const auto start = std::chrono::steady_clock::now();
  StretchDIBits(canvas.dc(), -2000000000, -10, 2100000000, 30, 0, 0, 3, 3, CPics::DIBImagePtr(data),
                static_cast<BITMAPINFO*>(data), DIB_RGB_COLORS, SRCCOPY);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(canvas.At(19, 19), RGB(200, 200, 7));
  EXPECT_EQ(canvas.At(0, 0), RGB(200, 100, 7));  // row 10 of 30 shows source row 1
  GlobalUnlock(dib);
  GlobalFree(dib);
}

TEST(StretchDIBits, FormatsThatCannotBeDrawnAreRefused) {
  Canvas canvas(4, 4);
  BITMAPINFO info{};
  BYTE bits[64]{};
  info.bmiHeader = BITMAPINFOHEADER{40, 4, 4, 1, 2, BI_RGB, 0, 0, 0, 0, 0};
  EXPECT_EQ(
      StretchDIBits(canvas.dc(), 0, 0, 4, 4, 0, 0, 4, 4, bits, &info, DIB_RGB_COLORS, SRCCOPY), 0);
  info.bmiHeader = BITMAPINFOHEADER{40, 4, -4, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  EXPECT_EQ(
      StretchDIBits(canvas.dc(), 0, 0, 4, 4, 0, 0, 4, 4, bits, &info, DIB_RGB_COLORS, SRCCOPY), 0);
  info.bmiHeader = BITMAPINFOHEADER{40, 4, 4, 1, 8, 1, 0, 0, 0, 0, 0};
  EXPECT_EQ(
      StretchDIBits(canvas.dc(), 0, 0, 4, 4, 0, 0, 4, 4, bits, &info, DIB_RGB_COLORS, SRCCOPY), 0);
}

TEST(Pen, WideLinesCoverASquareAroundEveryPointAndEndBeforeTheEndPoint) {
  Canvas canvas(20, 20);
  canvas.Fill(RGB(255, 255, 255));
  HPEN pen = CreatePen(PS_SOLID, 4, RGB(255, 0, 0));
  HPEN old = SelectObject(canvas.dc(), pen);
  MoveToEx(canvas.dc(), 5, 5, nullptr);
  LineTo(canvas.dc(), 15, 5);
  // Rows 3..6 (5 - 2 .. 5 + 1), columns 3 .. 15 (the last point, 14, covers 12 .. 15).
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) {
      const bool inside = y >= 3 && y <= 6 && x >= 3 && x <= 15;
      EXPECT_EQ(canvas.At(x, y) == RGB(255, 0, 0), inside) << x << "," << y;
    }
  // A diagonal one-pixel line, and one reaching far outside, which ends quickly.
  SelectObject(canvas.dc(), old);
  MoveToEx(canvas.dc(), 0, 10, nullptr);
  LineTo(canvas.dc(), 5, 15);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(canvas.At(i, 10 + i), RGB(0, 0, 0));
  EXPECT_EQ(canvas.At(5, 15), RGB(255, 255, 255));
  const auto start = std::chrono::steady_clock::now();
  MoveToEx(canvas.dc(), -2000000000, -1999999990, nullptr);
  LineTo(canvas.dc(), 2000000000, 2000000007);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  DeleteObject(pen);
}

TEST(Palette, StandardPaletteIsTheSixLevelColourCube) {
  HPALETTE palette = CPics::CreateStandardPalettes();
  ASSERT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), 216u);
  PALETTEENTRY entries[216];
  GetPaletteEntries(palette, 0, 216, entries);
  auto rgb = [](const PALETTEENTRY& e) { return RGB(e.peRed, e.peGreen, e.peBlue); };
  EXPECT_EQ(rgb(entries[0]), RGB(0, 0, 0));
  EXPECT_EQ(rgb(entries[5]), RGB(0, 0, 255));
  EXPECT_EQ(rgb(entries[6]), RGB(0, 51, 0));
  EXPECT_EQ(rgb(entries[36 * 2 + 6 * 3 + 4]), RGB(102, 153, 204));
  EXPECT_EQ(rgb(entries[215]), RGB(255, 255, 255));
  for (const PALETTEENTRY& e : entries) EXPECT_EQ(e.peFlags, 0);
  DeleteObject(palette);
}

TEST(Palette, RealisingOnAPaletteDisplayMapsNewColoursOnce) {
  ScopedDisplay display(graphics::PaletteDisplay8());
  HPALETTE standard = CPics::CreateStandardPalettes();
  Canvas canvas(2, 1);
  HPALETTE previous = SelectPalette(canvas.dc(), standard, FALSE);
  EXPECT_EQ(previous, GetDefaultPalette());
  // Eight cube colours are among the 20 reserved ones already.
  EXPECT_EQ(RealizePalette(canvas.dc()), 208u);
  EXPECT_EQ(RealizePalette(canvas.dc()), 0u);
  // Drawing takes the nearest palette colour; deleting the palette leaves the context sound.
  SetPixel(canvas.dc(), 0, 0, RGB(110, 140, 210));
  EXPECT_EQ(canvas.At(0, 0), RGB(102, 153, 204));
  DeleteObject(standard);
  SetPixel(canvas.dc(), 1, 0, RGB(250, 5, 5));
  EXPECT_EQ(canvas.At(1, 0), RGB(255, 0, 0));
  SelectPalette(canvas.dc(), GetDefaultPalette(), FALSE);
}

TEST(Palette, TrueColourDisplayMapsNothing) {
  HPALETTE standard = CPics::CreateStandardPalettes();
  Canvas canvas(1, 1);
  SelectPalette(canvas.dc(), standard, FALSE);
  EXPECT_EQ(RealizePalette(canvas.dc()), 0u);
  SetPixel(canvas.dc(), 0, 0, RGB(110, 140, 210));
  EXPECT_EQ(canvas.At(0, 0), RGB(110, 140, 210));
  EXPECT_EQ(GetCurrentPalette(canvas.dc()), standard);
  SelectPalette(canvas.dc(), GetDefaultPalette(), FALSE);
  DeleteObject(standard);
}
