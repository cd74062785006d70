// Helpers of the drawing tests: display switching, memory canvases and test pictures.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "Pics.h"
#include "graphics/platform/display.h"
#include "picture_test_support.h"

namespace drawtest {

// Switches the display description for one test and puts the default back (with a
// fresh system palette) at the end.
class ScopedDisplay {
 public:
  explicit ScopedDisplay(const graphics::DisplayDescription& display);
  ~ScopedDisplay();
};
graphics::DisplayDescription Display16();

// A memory context over a screen-compatible bitmap (or one of the given depth).
class Canvas {
 public:
  Canvas(int width, int height, int bits = 0);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  CDC* cdc() { return &m_dc; }
  HDC dc() const { return m_dc.m_hDC; }
  HBITMAP bitmap() const { return m_bitmap; }
  int width() const { return m_width; }
  int height() const { return m_height; }
  void Fill(COLORREF color);
  // Each pixel gets a colour of its own position (for "unchanged" checks).
  void FillPattern();
  COLORREF At(int x, int y) const { return GetPixel(m_dc.m_hDC, x, y); }
  std::vector<COLORREF> Pixels() const;

 private:
  CDC m_dc;
  HBITMAP m_bitmap = nullptr;
  HBITMAP m_previous = nullptr;
  int m_width, m_height;
};

// 24-bit DIB whose pixel (x, y) has colour color(x, y).
HGLOBAL MakeDib24(int width, int height, const std::function<COLORREF(int, int)>& color);
// A colour unique to each position of a picture up to 4096 x 4096.
COLORREF PositionColor(int x, int y);

// A picture object (type BMP) owning the DIB; closed by the deleter.
struct PictureCloser {
  void operator()(CPics* picture) const { CPics::ClosePicture(picture); }
};
using PicturePtr = std::unique_ptr<CPics, PictureCloser>;
PicturePtr MakePicture(HGLOBAL dib, short dither = 0);

// The pixels a direct stretch of the DIB into `dest` leaves on a canvas like `like`
// (same size, filled like it before).
std::vector<COLORREF> DirectStretch(HGLOBAL dib, const RECT& dest, int width, int height,
                                    COLORREF background);

}  // namespace drawtest
