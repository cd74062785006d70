#include "graphics/core/disabled_gif.h"

#include <algorithm>

#include "graphics/core/dib_drawing.h"

namespace graphics {
namespace {

// Coordinates handed to the int-based drawing calls stay well inside their range.
int Clamp(std::int64_t v) { return int(std::clamp<std::int64_t>(v, -(1 << 30), 1 << 30)); }

void FillWhite(HDC dc, const DrawRect& rect) {
  const DrawRect area = Intersect(rect, VisibleArea(dc));
  if (area.empty()) return;
  PatBlt(dc, int(area.left), int(area.top), int(area.width()), int(area.height()), WHITENESS);
}

void DrawFrame(HDC dc, const DrawRect& rect, int thickness, COLORREF color) {
  const std::int64_t inset = (thickness + 1) / 2;
  const int left = Clamp(rect.left + inset), top = Clamp(rect.top + inset);
  const int right = Clamp(rect.right - inset), bottom = Clamp(rect.bottom - inset);
  HPEN pen = CreatePen(PS_SOLID, thickness, color);
  if (pen == nullptr) return;
  HPEN previous = SelectObject(dc, pen);
  MoveToEx(dc, left, top, nullptr);
  LineTo(dc, right, top);
  LineTo(dc, right, bottom);
  LineTo(dc, left, bottom);
  LineTo(dc, left, top);
  SelectObject(dc, previous);
  DeleteObject(pen);
}

}  // namespace

DrawRect PlaceholderRect(const DrawRect& rect, int placeholderWidth, int placeholderHeight) {
  const float scale = std::min(float(rect.width()) / float(placeholderWidth),
                               float(rect.height()) / float(placeholderHeight));
  const auto width = std::int64_t(float(placeholderWidth) * scale);
  const auto height = std::int64_t(float(placeholderHeight) * scale);
  const std::int64_t left = rect.left + (rect.width() - width) / 2;
  const std::int64_t top = rect.top + (rect.height() - height) / 2;
  return DrawRect{left, top, left + width, top + height};
}

void DrawDisabledGif(HDC dc, const DrawRect& rect) {
  const DrawableDib placeholder(CPics::GifImageDIB);
  if (placeholder.valid()) {
    StretchWholeDib(dc, PlaceholderRect(rect, placeholder.width(), placeholder.height()),
                    placeholder);
  } else {
    FillWhite(dc, rect);
  }
  const int thickness = CPics::GifImageFrameThickness;
  if (thickness > 0) DrawFrame(dc, rect, thickness, CPics::GifImageFrameColor);
}

}  // namespace graphics
