// Draws arbitrary bytes taken as a DIB block onto a small memory context: the first
// bytes choose the call, the destination and visible rectangles, the transparent
// colour and the display depth; the rest is the block. Damaged headers must be refused
// and nothing may be read or written outside the block or the context's bitmap.

#include <cstdint>
#include <cstring>

#include "Pics.h"
#include "coder_fuzz.h"
#include "graphics/platform/display.h"

namespace {

constexpr size_t kArguments = 12;

// Coordinates from -2^15 to 2^15 times a scale, so both tiny and huge zooms occur.
LONG Coordinate(uint8_t low, uint8_t high) {
  const int value = int(int16_t(uint16_t(low | (high << 8))));
  return LONG(value) * ((high & 0x80) ? 1 : 64);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kArguments) return 0;
  const uint8_t* a = data;
  graphics::DisplayDescription display;
  const int depths[4] = {24, 16, 8, 32};
  display.bitsPerPixel = depths[a[0] & 3];
  display.paletteDevice = display.bitsPerPixel == 8;
  graphics::SetDisplay(display);

  HGLOBAL h = coder_fuzz::BlockOf(data + kArguments, size - kArguments);
  if (!h) return 0;
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 48, 40);
  ReleaseDC(nullptr, screen);
  CDC dc;
  dc.CreateCompatibleDC(nullptr);
  HBITMAP previous = SelectObject(dc.m_hDC, bitmap);
  HPALETTE standard = CPics::CreateStandardPalettes();
  SelectPalette(dc.m_hDC, standard, FALSE);
  RealizePalette(dc.m_hDC);

  const RECT dest{Coordinate(a[2], a[3]), Coordinate(a[4], a[5]), Coordinate(a[6], a[7]),
                  Coordinate(a[8], a[9])};
  const RECT visible{a[10] % 40, a[11] % 30, 40, 30};
  const COLORREF transparent = RGB(a[10], a[11], a[1]);
  const short type = (a[0] & 4) ? PictureGIF : PictureBMP;
  switch ((a[0] >> 3) % 4) {
    case 0:
      CPics::PaintDIB(&dc, h, &dest, a[1] & 1, transparent, type, 0);
      break;
    case 1:
      CPics::DisplayDIB(&dc, h, &dest, (a[1] & 2) ? &visible : nullptr, type, a[1] & 1);
      break;
    case 2: {
      // A picture object around the block, as a host holding the DIB would have.
      CPics picture;
      picture.m_hDIB = h;
      picture.m_bLoaded = 1;
      picture.m_width = short(a[10]);
      picture.m_height = short(a[11]);
      picture.m_bTransparent = a[1] & 1;
      picture.m_transparentColor = transparent;
      picture.m_type = type;
      picture.m_bEnabled = a[1] & 2;
      if (a[1] & 4)
        picture.DisplayPictureNew(&dc, &dest);
      else
        picture.DisplayPicture(&dc, (a[1] & 8) ? nullptr : &dest);
      picture.m_hDIB = nullptr;
      break;
    }
    default: {
      CPics capture;
      capture.GetPicture(&dc,
                         RECT{dest.left % 64, dest.top % 64, dest.right % 64, dest.bottom % 64});
      break;
    }
  }
  SelectPalette(dc.m_hDC, GetDefaultPalette(), FALSE);
  DeleteObject(standard);
  SelectObject(dc.m_hDC, previous);
  DeleteObject(bitmap);
  GlobalFree(h);
  graphics::SetDisplay(graphics::DisplayDescription{});
  return 0;
}
