// Drawing a picture's packed DIB into a context: the checked lock of a caller's DIB and
// the colour-on-colour stretch of the whole DIB (or one part of it) with 64-bit geometry.
#pragma once

#include "graphics/core/dib_block.h"
#include "graphics/core/offscreen_surface.h"

namespace graphics {

// A DIB handle locked for drawing: usable only when the block holds the whole DIB and
// its sides are positive.
class DrawableDib {
 public:
  explicit DrawableDib(HGLOBAL handle);
  bool valid() const { return m_valid; }
  const void* dib() const { return m_block.data(); }
  int width() const { return m_width; }
  int height() const { return m_height; }

 private:
  LockedBlock m_block;
  bool m_valid = false;
  int m_width = 0;
  int m_height = 0;
};

// Stretches the DIB's part (top-down source rectangle) into the destination rectangle.
bool StretchDibPart(HDC dc, const DrawRect& dest, const void* dib, const DrawRect& sourcePart);
// Stretches the whole DIB into the destination rectangle.
bool StretchWholeDib(HDC dc, const DrawRect& dest, const DrawableDib& dib);

}  // namespace graphics
