#include "drawing_test_support.h"

#include "graphics/platform/system_palette.h"

namespace drawtest {

ScopedDisplay::ScopedDisplay(const graphics::DisplayDescription& display) {
  graphics::SetDisplay(display);
  graphics::ResetSystemPalette();
}

ScopedDisplay::~ScopedDisplay() {
  graphics::SetDisplay(graphics::DisplayDescription{});
  graphics::ResetSystemPalette();
}

graphics::DisplayDescription Display16() {
  graphics::DisplayDescription display;
  display.bitsPerPixel = 16;
  return display;
}

Canvas::Canvas(int width, int height, int bits) : m_width(width), m_height(height) {
  if (bits == 0) {
    HDC screen = GetDC(nullptr);
    m_bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
  } else {
    m_bitmap = CreateBitmap(width, height, 1, UINT(bits), nullptr);
  }
  EXPECT_NE(m_bitmap, nullptr);
  EXPECT_TRUE(m_dc.CreateCompatibleDC(nullptr));
  m_previous = SelectObject(m_dc.m_hDC, m_bitmap);
}

Canvas::~Canvas() {
  SelectObject(m_dc.m_hDC, m_previous);
  DeleteObject(m_bitmap);
}

void Canvas::Fill(COLORREF color) {
  for (int y = 0; y < m_height; ++y)
    for (int x = 0; x < m_width; ++x) SetPixel(m_dc.m_hDC, x, y, color);
}

void Canvas::FillPattern() {
  for (int y = 0; y < m_height; ++y)
    for (int x = 0; x < m_width; ++x)
      SetPixel(m_dc.m_hDC, x, y, RGB(BYTE(x * 7), BYTE(y * 5), 0x55));
}

std::vector<COLORREF> Canvas::Pixels() const {
  std::vector<COLORREF> pixels;
  for (int y = 0; y < m_height; ++y)
    for (int x = 0; x < m_width; ++x) pixels.push_back(At(x, y));
  return pixels;
}

HGLOBAL MakeDib24(int width, int height, const std::function<COLORREF(int, int)>& color) {
  HGLOBAL dib = picstest::MakeDib(width, height, 24);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const COLORREF c = color(x, y);
      picstest::PutPixel(dib, x, y,
                         (std::uint32_t(GetRValue(c)) << 16) | (GetGValue(c) << 8) | GetBValue(c));
    }
  return dib;
}

COLORREF PositionColor(int x, int y) {
  return RGB(BYTE(x), BYTE(y), BYTE(((x >> 8) << 4) | (y >> 8)));
}

PicturePtr MakePicture(HGLOBAL dib, short dither) {
  return PicturePtr(CPics::CreatePicture(dib, PictureBMP, dither));
}

std::vector<COLORREF> DirectStretch(HGLOBAL dib, const RECT& dest, int width, int height,
                                    COLORREF background) {
  Canvas canvas(width, height);
  canvas.Fill(background);
  void* data = GlobalLock(dib);
  const int w = CPics::DIBWidth(data), h = CPics::DIBHeight(data);
  StretchDIBits(canvas.dc(), dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, 0,
                0, w, h, CPics::DIBImagePtr(data), static_cast<BITMAPINFO*>(data), DIB_RGB_COLORS,
                SRCCOPY);
  GlobalUnlock(dib);
  return canvas.Pixels();
}

}  // namespace drawtest
