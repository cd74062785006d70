// DisplayPictureNew: the picture composed over what the destination shows, with its
// transparent colour see-through, written back in one copy so no intermediate state
// is ever visible.
#include "Pics.h"
#include "graphics/core/dib_drawing.h"

namespace graphics {

bool DrawTransparentDIB(HDC dc, HGLOBAL hDIB, const DrawRect& rect, COLORREF transparent) {
  const DrawableDib dib(hDIB);
  if (!dib.valid()) return false;
  const DrawRect area = Intersect(rect, VisibleArea(dc));
  if (area.empty()) return true;
  const int width = int(area.width()), height = int(area.height());
  const int x = int(area.left), y = int(area.top);
  OffscreenSurface image(nullptr, width, height, OffscreenSurface::Kind::CompatibleWithScreen);
  OffscreenSurface back(nullptr, width, height, OffscreenSurface::Kind::CompatibleWithScreen);
  OffscreenSurface mask(nullptr, width, height, OffscreenSurface::Kind::Monochrome);
  if (!image.valid() || !back.valid() || !mask.valid()) return false;
  HPALETTE palette = GetCurrentPalette(dc);
  image.UsePalette(palette, false);
  back.UsePalette(palette, false);
  StretchWholeDib(image.dc(),
                  DrawRect{rect.left - x, rect.top - y, rect.right - x, rect.bottom - y}, dib);
  BitBlt(back.dc(), 0, 0, width, height, dc, x, y, SRCCOPY);

  SetBkColor(image.dc(), transparent);
  BitBlt(mask.dc(), 0, 0, width, height, image.dc(), 0, 0, SRCCOPY);
  // Transparent pixels of the image become black ...
  SetBkColor(image.dc(), RGB(0, 0, 0));
  SetTextColor(image.dc(), RGB(255, 255, 255));
  BitBlt(image.dc(), 0, 0, width, height, mask.dc(), 0, 0, SRCAND);
  // ... and so do the opaque pixels of the background copy; then both are combined.
  SetBkColor(back.dc(), RGB(255, 255, 255));
  SetTextColor(back.dc(), RGB(0, 0, 0));
  BitBlt(back.dc(), 0, 0, width, height, mask.dc(), 0, 0, SRCAND);
  BitBlt(back.dc(), 0, 0, width, height, image.dc(), 0, 0, SRCPAINT);
  BitBlt(dc, x, y, width, height, back.dc(), 0, 0, SRCCOPY);
  return true;
}

}  // namespace graphics

int CPics::DisplayPictureNew(CDC* dc, const RECT* rect) {
  if (!m_bLoaded || m_hDIB == nullptr || dc == nullptr || dc->m_hDC == nullptr) return 0;
  const RECT dest = rect != nullptr
                        ? *rect
                        : RECT{m_xPos, m_yPos, LONG(m_xPos + m_width), LONG(m_yPos + m_height)};
  graphics::DrawTransparentDIB(dc->m_hDC, m_hDIB, graphics::ToDrawRect(dest), m_transparentColor);
  return 1;
}
