// A memory context holding a bitmap of its own, released together (drawing scratch
// space for stretching, masks and capture).
#pragma once

#include <cstdint>

#include "Pics.h"

namespace graphics {

class OffscreenSurface {
 public:
  enum class Kind { CompatibleWithScreen, CompatibleWithContext, Monochrome };

  // `reference` is the context the surface is made compatible with (ignored for the
  // screen kind). Check valid() before use.
  OffscreenSurface(HDC reference, int width, int height, Kind kind);
  ~OffscreenSurface();
  OffscreenSurface(const OffscreenSurface&) = delete;
  OffscreenSurface& operator=(const OffscreenSurface&) = delete;

  bool valid() const { return m_dc != nullptr && m_bitmap != nullptr; }
  HDC dc() const { return m_dc; }
  HBITMAP bitmap() const { return m_bitmap; }
  // Deselects the bitmap and hands it to the caller; the context is released later.
  HBITMAP ReleaseBitmap();
  // Selects and realises a palette (nullptr: leaves the default one).
  void UsePalette(HPALETTE palette, bool background);

 private:
  HDC m_dc = nullptr;
  HBITMAP m_bitmap = nullptr;
  HBITMAP m_previous = nullptr;
};

// Destination rectangle of a picture: right and bottom exclusive, in 64 bits.
struct DrawRect {
  std::int64_t left = 0, top = 0, right = 0, bottom = 0;
  std::int64_t width() const { return right - left; }
  std::int64_t height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
};

inline DrawRect ToDrawRect(const RECT& r) { return DrawRect{r.left, r.top, r.right, r.bottom}; }
DrawRect Intersect(const DrawRect& a, const DrawRect& b);

// The context's clip box, or (when it is empty or cannot be had) the device's size.
DrawRect VisibleArea(HDC dc);

}  // namespace graphics
