// Drawing pictures and caller-owned DIBs on a context, with zoom, transparency and the
// disabled-GIF placeholder.
#include "Pics.h"
#include "graphics/core/zoom_drawing.h"

namespace {

RECT PictureRect(const CPics& picture, const RECT* rect) {
  if (rect != nullptr) return *rect;
  return RECT{picture.m_xPos, picture.m_yPos, LONG(picture.m_xPos + picture.m_width),
              LONG(picture.m_yPos + picture.m_height)};
}

}  // namespace

int CPics::DisplayPicture(CDC* dc, const RECT* rect) {
  if (!m_bLoaded || m_hDIB == nullptr) return 0;
  graphics::ZoomRequest request;
  request.dc = dc;
  request.dib = m_hDIB;
  request.dest = PictureRect(*this, rect);
  request.wholeBelowZoom11 = true;
  request.transparent = m_bTransparent;
  request.transparentColor = m_transparentColor;
  request.type = m_type;
  request.enabled = m_bEnabled;
  return graphics::DrawZoomed(request);
}

int CPics::DisplayDIB(CDC* dc, HGLOBAL hDIB, const RECT* rect, const RECT* visible, short type,
                      int enabled) {
  if (hDIB == nullptr || rect == nullptr) return 0;
  graphics::ZoomRequest request;
  request.dc = dc;
  request.dib = hDIB;
  request.dest = *rect;
  if (visible != nullptr) request.visible = graphics::ToDrawRect(*visible);
  request.partWhenNarrowVisible = true;
  request.type = type;
  request.enabled = enabled;
  return graphics::DrawZoomed(request);
}
