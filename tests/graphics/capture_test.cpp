// Device bitmaps read back as DIBs, and capture of a context into pictures.
#include <gtest/gtest.h>

#include <cstring>

#include "Pics.h"
#include "drawing_test_support.h"

using drawtest::Canvas;
using drawtest::ScopedDisplay;

namespace {

struct LockedDib {
  explicit LockedDib(HGLOBAL h) : handle(h), data(GlobalLock(h)) {}
  ~LockedDib() {
    GlobalUnlock(handle);
    GlobalFree(handle);
  }
  HGLOBAL handle;
  void* data;
};

}  // namespace

TEST(BitmapToDIB, SixteenBitBitmapGivesTwentyFourBitsWithoutColourTable) {
  // x555 pixels: pure red and a mid grey.
  const WORD pixels[2] = {0x7C00, (16 << 10) | (16 << 5) | 16};
  HBITMAP bitmap = CreateBitmap(2, 1, 1, 16, pixels);
  DWORD size = 1;
  LockedDib dib(CPics::BitmapToDIB(bitmap, nullptr, &size));
  ASSERT_NE(dib.data, nullptr);
  EXPECT_EQ(CPics::DIBBitsPerPixel(dib.data), 24);
  EXPECT_EQ(CPics::DIBNumberOfColors(dib.data), 0);
  EXPECT_EQ(size, 40u + 8u);
  const BYTE* p = CPics::DIBImagePtr(dib.data);
  EXPECT_EQ(p[2], 255);
  EXPECT_EQ(p[0], 0);
  EXPECT_EQ(p[3], 132);  // 16 of 31 steps, widened to 8 bits
  DeleteObject(bitmap);
}

TEST(BitmapToDIB, TwoBitBitmapGivesFourBitsWithSixteenEntries) {
  const BYTE row[2] = {0x1B, 0};  // pixels 0, 1, 2, 3
  HBITMAP bitmap = CreateBitmap(4, 1, 1, 2, row);
  LockedDib dib(CPics::BitmapToDIB(bitmap, nullptr, nullptr));
  ASSERT_NE(dib.data, nullptr);
  EXPECT_EQ(CPics::DIBBitsPerPixel(dib.data), 4);
  EXPECT_EQ(CPics::DIBNumberOfColors(dib.data), 16);
  BYTE rgb[48];
  CPics::DIBGetPalette(dib.data, rgb);
  const BYTE* p = CPics::DIBImagePtr(dib.data);
  const int expectedGrey[4] = {0, 128, 192, 255};
  for (int x = 0; x < 4; ++x) {
    const int index = (x % 2) ? (p[x / 2] & 15) : (p[x / 2] >> 4);
    EXPECT_EQ(rgb[3 * index], expectedGrey[x]) << x;
  }
  DeleteObject(bitmap);
}

TEST(BitmapToDIB, NullBitmapGivesNullAndZeroSize) {
  DWORD size = 77;
  EXPECT_EQ(CPics::BitmapToDIB(nullptr, nullptr, &size), nullptr);
  EXPECT_EQ(size, 0u);
}

TEST(BitmapToDIB, PaletteDisplayBitmapReadsThroughTheGivenPalette) {
  ScopedDisplay display(graphics::PaletteDisplay8());
  HPALETTE standard = CPics::CreateStandardPalettes();
  Canvas canvas(3, 1);
  SelectPalette(canvas.dc(), standard, FALSE);
  RealizePalette(canvas.dc());
  SetPixel(canvas.dc(), 0, 0, RGB(0, 51, 0));
  SetPixel(canvas.dc(), 1, 0, RGB(255, 255, 255));
  SetPixel(canvas.dc(), 2, 0, RGB(204, 102, 51));
  LockedDib dib(CPics::BitmapToDIB(canvas.bitmap(), standard, nullptr));
  ASSERT_NE(dib.data, nullptr);
  EXPECT_EQ(CPics::DIBBitsPerPixel(dib.data), 8);
  const BYTE* p = CPics::DIBImagePtr(dib.data);
  EXPECT_EQ(p[0], 6);
  EXPECT_EQ(p[1], 215);
  EXPECT_EQ(p[2], 36 * 4 + 6 * 2 + 1);
  SelectPalette(canvas.dc(), GetDefaultPalette(), FALSE);
  DeleteObject(standard);
}

TEST(Capture, SixteenBitDisplayGivesTwentyFourBitPicture) {
  ScopedDisplay display(drawtest::Display16());
  Canvas canvas(10, 6);
  canvas.Fill(RGB(255, 0, 0));
  SetPixel(canvas.dc(), 3, 2, RGB(0, 0, 255));
  drawtest::PicturePtr picture(
      CPics::NewPicture(canvas.cdc(), RECT{2, 1, 8, 5}, "shot.bmp", PictureByExtension));
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->m_width, 6);
  EXPECT_EQ(picture->m_height, 4);
  EXPECT_EQ(picture->m_bitsPerPixel, 24);
  EXPECT_EQ(picture->m_devBitsPerPixel, 16);
  EXPECT_EQ(picture->m_xPos, 2);
  EXPECT_EQ(picture->m_type, PictureBMP);
  EXPECT_EQ(picture->GetPixel(1, 1), RGB(0, 0, 255));
  EXPECT_EQ(picture->GetPixel(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(picture->m_dibSize, 40u + 20u * 4u);
}

TEST(Capture, PaletteDisplayKeepsThePaletteAndItsColoursForSaving) {
  ScopedDisplay display(graphics::PaletteDisplay8());
  // A 256-entry palette selected in the context becomes the picture's palette.
  std::vector<BYTE> storage(sizeof(LOGPALETTE) + 256 * sizeof(PALETTEENTRY));
  auto* description = reinterpret_cast<LOGPALETTE*>(storage.data());
  description->palVersion = 0x300;
  description->palNumEntries = 256;
  for (int i = 0; i < 256; ++i)
    description->palPalEntry[i] = PALETTEENTRY{BYTE(i), BYTE(255 - i), 7, 0};
  HPALETTE own = CreatePalette(description);
  Canvas canvas(4, 4);
  SelectPalette(canvas.dc(), own, FALSE);
  RealizePalette(canvas.dc());
  canvas.Fill(RGB(40, 215, 7));
  drawtest::PicturePtr picture(
      CPics::NewPicture(canvas.cdc(), RECT{0, 0, 4, 4}, "shot.bmp", PictureBMP));
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->m_bitsPerPixel, 8);
  EXPECT_EQ(GetPaletteEntries(picture->m_hPalette, 0, 0, nullptr), 256u);
  EXPECT_EQ(picture->GetPixel(2, 2), RGB(40, 215, 7));
  EXPECT_EQ(picture->m_PaletteBuffer[3 * 40], 40);
  EXPECT_EQ(picture->m_PaletteBuffer[3 * 40 + 1], 215);

  // With the 216-colour standard palette the picture gets a standard palette, and its
  // palette buffer still holds the colours its pixels use.
  HPALETTE standard = CPics::CreateStandardPalettes();
  SelectPalette(canvas.dc(), standard, FALSE);
  RealizePalette(canvas.dc());
  canvas.Fill(RGB(204, 102, 51));
  drawtest::PicturePtr second(
      CPics::NewPicture(canvas.cdc(), RECT{0, 0, 4, 4}, "shot.bmp", PictureBMP));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(GetPaletteEntries(second->m_hPalette, 0, 0, nullptr), 216u);
  EXPECT_EQ(second->GetPixel(0, 0), RGB(204, 102, 51));
  const int index = second->GetIndex(0, 0);
  EXPECT_EQ(second->m_PaletteBuffer[3 * index], 204);
  SelectPalette(canvas.dc(), GetDefaultPalette(), FALSE);
  DeleteObject(own);
  DeleteObject(standard);
}

TEST(Capture, RefusedCaptureLeavesThePictureAsItWas) {
  Canvas canvas(4, 4);
  canvas.Fill(RGB(1, 2, 3));
  drawtest::PicturePtr picture(
      CPics::NewPicture(canvas.cdc(), RECT{0, 0, 4, 4}, "a.bmp", PictureBMP));
  ASSERT_NE(picture, nullptr);
  HGLOBAL before = picture->m_hDIB;
  EXPECT_EQ(picture->GetPicture(canvas.cdc(), RECT{0, 0, 0, 4}), 0);
  EXPECT_EQ(picture->GetPicture(canvas.cdc(), RECT{0, 0, 40000, 4}), 0);
  EXPECT_EQ(picture->GetPicture(nullptr, RECT{0, 0, 4, 4}), 0);
  EXPECT_EQ(picture->m_hDIB, before);
  EXPECT_EQ(picture->m_width, 4);
  EXPECT_EQ(CPics::NewPicture(canvas.cdc(), RECT{0, 0, 4, 4}, "a.bmp", 0), nullptr);
  EXPECT_EQ(CPics::NewPicture(canvas.cdc(), RECT{0, 0, 4, 4}, "a.bmp", 9), nullptr);
  EXPECT_EQ(CPics::NewPicture(canvas.cdc(), RECT{0, 0, 4, 4}, "a.unknown", PictureByExtension),
            nullptr);
  // Parts outside the context come out black, never read out of bounds.
  drawtest::PicturePtr over(CPics::NewPicture(canvas.cdc(), RECT{2, 2, 8, 8}, "a.bmp", PictureBMP));
  ASSERT_NE(over, nullptr);
  EXPECT_EQ(over->GetPixel(0, 0), RGB(1, 2, 3));
  EXPECT_EQ(over->GetPixel(5, 5), RGB(0, 0, 0));
}
