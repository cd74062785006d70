// Drawing a DIB at a zoom: small zooms and mostly visible destinations are stretched
// whole; otherwise only the visible part is stretched into a scratch bitmap (for zooms of
// 10 and more in stages of exact tenfold enlargements), read back as a DIB and painted.
// Every path shows the pixels a direct nearest-neighbour stretch would show.
#pragma once

#include <optional>

#include "Pics.h"
#include "graphics/core/offscreen_surface.h"

namespace graphics {

struct ZoomRequest {
  CDC* dc = nullptr;
  HGLOBAL dib = nullptr;
  RECT dest{};
  std::optional<DrawRect> visible;     // replaces the clip box when given
  bool wholeBelowZoom11 = false;       // zooms below 1.1 in both directions are drawn whole
  bool partWhenNarrowVisible = false;  // a given visible area narrower or lower than the
                                       // destination goes straight to the part path
  int transparent = 0;
  COLORREF transparentColor = 0;
  short type = 0;
  int enabled = 1;
};

int DrawZoomed(const ZoomRequest& request);

// Number of tenfold stages for one direction: while the remaining zoom is 10 or more
// (at most 9 stages), as long as the enlarged part stays within the visible length.
int TenfoldStages(double zoom, std::int64_t partLength, std::int64_t visibleLength);

}  // namespace graphics
