// PaintDIB: a DIB stretched into a rectangle, with one colour transparent or, for a
// disabled GIF, the placeholder and its frame instead.
#include <algorithm>

#include "Pics.h"
#include "graphics/core/dib_drawing.h"
#include "graphics/core/disabled_gif.h"

namespace graphics {

bool IsDisabledGif(short type, int enabled) {
  return type == PictureGIF && CPics::GifImageDisplayEnable == 0 && enabled == 0;
}

// Masks the transparent colour out: only the part of the rectangle that the context
// shows is worked on, so a large zoomed rectangle needs no large scratch bitmaps.
bool PaintTransparent(HDC dc, const DrawRect& rect, const DrawableDib& dib, COLORREF transparent) {
  const DrawRect area = Intersect(rect, VisibleArea(dc));
  if (area.empty()) return true;
  const int width = int(area.width()), height = int(area.height());
  OffscreenSurface image(nullptr, width, height, OffscreenSurface::Kind::CompatibleWithScreen);
  OffscreenSurface mask(nullptr, width, height, OffscreenSurface::Kind::Monochrome);
  if (!image.valid() || !mask.valid()) return false;
  image.UsePalette(GetCurrentPalette(dc), false);
  const DrawRect shifted{rect.left - area.left, rect.top - area.top, rect.right - area.left,
                         rect.bottom - area.top};
  StretchWholeDib(image.dc(), shifted, dib);

  // Mask bits are set where the image shows the transparent colour.
  SetBkColor(image.dc(), transparent);
  BitBlt(mask.dc(), 0, 0, width, height, image.dc(), 0, 0, SRCCOPY);
  // Transparent pixels of the image become black.
  SetBkColor(image.dc(), RGB(0, 0, 0));
  SetTextColor(image.dc(), RGB(255, 255, 255));
  BitBlt(image.dc(), 0, 0, width, height, mask.dc(), 0, 0, SRCAND);
  // The mask clears the opaque pixels of the destination; the image fills them.
  const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
  const COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
  const int x = int(area.left), y = int(area.top);
  BitBlt(dc, x, y, width, height, mask.dc(), 0, 0, SRCAND);
  BitBlt(dc, x, y, width, height, image.dc(), 0, 0, SRCPAINT);
  SetTextColor(dc, oldText);
  SetBkColor(dc, oldBack);
  return true;
}

}  // namespace graphics

int CPics::PaintDIB(CDC* dc, HGLOBAL hDIB, const RECT* rect, int transparent,
                    DWORD transparentColor, short type, int enabled) {
  if (hDIB == nullptr || dc == nullptr || dc->m_hDC == nullptr || rect == nullptr) return 0;
  const graphics::DrawableDib dib(hDIB);
  if (!dib.valid()) return 0;
  const graphics::DrawRect target = graphics::ToDrawRect(*rect);
  if (graphics::IsDisabledGif(type, enabled)) {
    graphics::DrawDisabledGif(dc->m_hDC, target);
    return 1;
  }
  if (transparent != 0) {
    graphics::PaintTransparent(dc->m_hDC, target, dib, transparentColor);
  } else {
    graphics::StretchWholeDib(dc->m_hDC, target, dib);
  }
  return 1;
}
