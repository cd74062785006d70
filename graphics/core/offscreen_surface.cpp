#include "graphics/core/offscreen_surface.h"

#include <algorithm>
#include <utility>

namespace graphics {

OffscreenSurface::OffscreenSurface(HDC reference, int width, int height, Kind kind) {
  HDC screen = kind == Kind::CompatibleWithScreen ? GetDC(nullptr) : nullptr;
  HDC model = kind == Kind::CompatibleWithScreen ? screen : reference;
  m_dc = CreateCompatibleDC(model);
  if (m_dc != nullptr) {
    m_bitmap = kind == Kind::Monochrome ? CreateBitmap(width, height, 1, 1, nullptr)
                                        : CreateCompatibleBitmap(model, width, height);
    if (m_bitmap != nullptr) m_previous = SelectObject(m_dc, m_bitmap);
  }
  if (screen != nullptr) ReleaseDC(nullptr, screen);
}

OffscreenSurface::~OffscreenSurface() {
  if (m_dc == nullptr) return;
  if (m_previous != nullptr) SelectObject(m_dc, m_previous);
  if (m_bitmap != nullptr) DeleteObject(m_bitmap);
  DeleteDC(m_dc);
}

HBITMAP OffscreenSurface::ReleaseBitmap() {
  if (m_previous != nullptr) SelectObject(m_dc, m_previous);
  m_previous = nullptr;
  return std::exchange(m_bitmap, nullptr);
}

void OffscreenSurface::UsePalette(HPALETTE palette, bool background) {
  if (m_dc == nullptr || palette == nullptr) return;
  SelectPalette(m_dc, palette, background ? TRUE : FALSE);
  RealizePalette(m_dc);
}

DrawRect Intersect(const DrawRect& a, const DrawRect& b) {
  DrawRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
             std::min(a.bottom, b.bottom)};
  return r.empty() ? DrawRect{} : r;
}

DrawRect VisibleArea(HDC dc) {
  RECT box{};
  if (GetClipBox(dc, &box) == SIMPLEREGION) return ToDrawRect(box);
  POINT corner{GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES)};
  DPtoLP(dc, &corner, 1);
  return DrawRect{0, 0, corner.x, corner.y};
}

}  // namespace graphics
