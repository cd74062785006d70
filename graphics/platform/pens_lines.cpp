// Solid pens and straight lines. A pen of width w paints a w x w square centred on every
// point of the line (offset by w / 2 up and left), so a frame drawn with its centre
// line (w + 1) / 2 inside a rectangle stays inside that rectangle.
#include <algorithm>
#include <cstdlib>
#include <new>

#include "graphics/platform/color_mapping.h"
#include "graphics/platform/gdi_objects.h"
#include "graphics/platform/pen_stock.h"

namespace graphics {
HPEN StockPen() {
  static PenObject pen{PS_SOLID, 1, RGB(0, 0, 0), 0, true};
  return &pen;
}
}  // namespace graphics

HPEN CreatePen(int style, int width, COLORREF color) {
  if (style != PS_SOLID || width > 65535) return nullptr;
  auto* pen = new (std::nothrow) PenObject;
  if (pen == nullptr) return nullptr;
  pen->width = std::max(width, 1);
  pen->color = color & 0xFFFFFFu;
  return pen;
}

BOOL DeleteObject(HPEN pen) {
  if (pen == nullptr || pen->stock || pen->selections > 0) return FALSE;
  delete pen;
  return TRUE;
}

HPEN SelectObject(HDC dc, HPEN pen) {
  if (dc == nullptr || pen == nullptr) return nullptr;
  HPEN previous = dc->pen;
  --previous->selections;
  ++pen->selections;
  dc->pen = pen;
  return previous;
}

BOOL MoveToEx(HDC dc, int x, int y, POINT* previous) {
  if (dc == nullptr) return FALSE;
  if (previous != nullptr) *previous = dc->position;
  dc->position = POINT{x, y};
  return TRUE;
}

BOOL LineTo(HDC dc, int x, int y) {
  if (dc == nullptr) return FALSE;
  const POINT from = dc->position;
  dc->position = POINT{x, y};
  if (dc->bitmap == nullptr) return FALSE;
  const RECT area = graphics::DrawableArea(*dc);
  const std::int64_t w = dc->pen->width, half = w / 2;
  const std::uint32_t raw = graphics::ColorToRaw(*dc->bitmap, dc)(dc->pen->color);
  auto Fill = [&](std::int64_t l, std::int64_t t, std::int64_t r, std::int64_t b) {
    l = std::max<std::int64_t>(l, area.left);
    r = std::min<std::int64_t>(r, area.right);
    t = std::max<std::int64_t>(t, area.top);
    b = std::min<std::int64_t>(b, area.bottom);
    for (std::int64_t py = t; py < b; ++py)
      for (std::int64_t px = l; px < r; ++px) dc->bitmap->SetRaw(int(px), int(py), raw);
  };
  if (from.x == x || from.y == y) {
    // Straight across or down: the squares of all points make one rectangle.
    if (from.x == x && from.y == y) return TRUE;
    // Points from the start up to, not including, the end point.
    const std::int64_t fx = from.x, fy = from.y;
    const std::int64_t left = fx < x ? fx : (fx > x ? std::int64_t(x) + 1 : fx);
    const std::int64_t right = fx < x ? std::int64_t(x) - 1 : fx;
    const std::int64_t top = fy < y ? fy : (fy > y ? std::int64_t(y) + 1 : fy);
    const std::int64_t bottom = fy < y ? std::int64_t(y) - 1 : fy;
    Fill(left - half, top - half, right - half + w, bottom - half + w);
    return TRUE;
  }
  // Bresenham from the start point up to, not including, the end point. Very long lines
  // are first cut to the drawable area (widened by the pen) so the walk stays short.
  std::int64_t cx = from.x, cy = from.y, ex = x, ey = y;
  if (std::max(std::llabs(ex - cx), std::llabs(ey - cy)) > (std::int64_t(1) << 22)) {
    double t0 = 0, t1 = 1;
    const double ddx = double(ex - cx), ddy = double(ey - cy);
    auto cut = [&](double p, double q) {
      if (p == 0) return q >= 0;
      const double r = q / p;
      if (p < 0)
        t0 = std::max(t0, r);
      else
        t1 = std::min(t1, r);
      return t0 <= t1;
    };
    const double margin = double(w) + 1;
    if (!cut(-ddx, double(cx) - (area.left - margin)) ||
        !cut(ddx, (area.right + margin) - double(cx)) ||
        !cut(-ddy, double(cy) - (area.top - margin)) ||
        !cut(ddy, (area.bottom + margin) - double(cy)))
      return TRUE;
    const std::int64_t sx0 = cx + std::int64_t(ddx * t0), sy0 = cy + std::int64_t(ddy * t0);
    ex = cx + std::int64_t(ddx * t1);
    ey = cy + std::int64_t(ddy * t1);
    cx = sx0;
    cy = sy0;
  }
  const std::int64_t dx = std::llabs(ex - cx), dy = -std::llabs(ey - cy);
  const std::int64_t sx = cx < ex ? 1 : -1, sy = cy < ey ? 1 : -1;
  std::int64_t error = dx + dy;
  while (cx != ex || cy != ey) {
    Fill(cx - half, cy - half, cx - half + w, cy - half + w);
    const std::int64_t e2 = 2 * error;
    if (e2 >= dy) {
      error += dy;
      cx += sx;
    }
    if (e2 <= dx) {
      error += dx;
      cy += sy;
    }
  }
  return TRUE;
}
