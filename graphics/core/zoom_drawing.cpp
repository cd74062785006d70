#include "graphics/core/zoom_drawing.h"

#include <algorithm>
#include <memory>

#include "graphics/core/dib_block.h"
#include "graphics/core/dib_drawing.h"
#include "graphics/core/disabled_gif.h"
#include "graphics/platform/block_transfer.h"

namespace graphics {
namespace {

int Paint(const ZoomRequest& request, HGLOBAL dib, const RECT& rect) {
  return CPics::PaintDIB(request.dc, dib, &rect, request.transparent, request.transparentColor,
                         request.type, request.enabled);
}

// Source span [first, end) under destination pixels [0, visibleLength) of a span drawn
// at `offset` with `destLength` pixels for `sourceLength`.
void SourceSpan(std::int64_t offset, std::int64_t destLength, std::int64_t visibleLength,
                int sourceLength, std::int64_t& first, std::int64_t& end) {
  first =
      std::clamp<std::int64_t>(SourceOffset(-offset, destLength, sourceLength), 0, sourceLength);
  end = std::clamp<std::int64_t>(
      SourceOffset(visibleLength - 1 - offset, destLength, sourceLength) + 1, 0, sourceLength);
}

// Enlarges the part of the DIB under the scratch bitmap in tenfold stages and stretches
// the last stage into it. False when no stage applies or a stage bitmap cannot be made.
bool StretchInStages(HDC target, const DrawRect& shifted, int width, int height,
                     const DrawableDib& dib) {
  std::int64_t x0, x1, y0, y1;
  SourceSpan(shifted.left, shifted.width(), width, dib.width(), x0, x1);
  SourceSpan(shifted.top, shifted.height(), height, dib.height(), y0, y1);
  const std::int64_t partWidth = x1 - x0, partHeight = y1 - y0;
  if (partWidth <= 0 || partHeight <= 0) return false;
  const int stagesX = TenfoldStages(double(shifted.width()) / dib.width(), partWidth, width);
  const int stagesY = TenfoldStages(double(shifted.height()) / dib.height(), partHeight, height);
  const int stages = std::max(stagesX, stagesY);
  if (stages == 0) return false;

  HPALETTE palette = GetCurrentPalette(target);
  std::unique_ptr<OffscreenSurface> current;
  std::int64_t scaleX = 1, scaleY = 1;
  for (int i = 0; i < stages; ++i) {
    const std::int64_t fx = i < stagesX ? 10 : 1, fy = i < stagesY ? 10 : 1;
    const std::int64_t w = partWidth * scaleX * fx, h = partHeight * scaleY * fy;
    auto next = std::make_unique<OffscreenSurface>(nullptr, int(w), int(h),
                                                   OffscreenSurface::Kind::CompatibleWithScreen);
    if (!next->valid()) return false;
    next->UsePalette(palette, false);
    if (current == nullptr) {
      StretchDibPart(next->dc(), DrawRect{0, 0, w, h}, dib.dib(), DrawRect{x0, y0, x1, y1});
    } else {
      TransferPixels(*next->dc(), Rect64{0, 0, w, h}, *current->dc(),
                     Rect64{0, 0, partWidth * scaleX, partHeight * scaleY}, SRCCOPY);
    }
    scaleX *= fx;
    scaleY *= fy;
    current = std::move(next);
  }
  // The last stage maps the whole destination onto the enlarged picture, of which the
  // stage bitmap holds the part from (x0, y0): the same pixels as a direct stretch.
  TransferPixels(
      *target, Rect64{shifted.left, shifted.top, shifted.width(), shifted.height()}, *current->dc(),
      Rect64{-x0 * scaleX, -y0 * scaleY, dib.width() * scaleX, dib.height() * scaleY}, SRCCOPY);
  return true;
}

int DrawVisiblePart(const ZoomRequest& request, const DrawableDib& dib, const DrawRect& dest,
                    const DrawRect& part, bool staged) {
  HDC dc = request.dc->m_hDC;
  const int width = int(part.width()), height = int(part.height());
  OffscreenSurface scratch(nullptr, width, height, OffscreenSurface::Kind::CompatibleWithScreen);
  if (!scratch.valid()) return 0;
  scratch.UsePalette(GetCurrentPalette(dc), false);
  const DrawRect shifted{dest.left - part.left, dest.top - part.top, dest.right - part.left,
                         dest.bottom - part.top};
  if (!staged || !StretchInStages(scratch.dc(), shifted, width, height, dib))
    StretchWholeDib(scratch.dc(), shifted, dib);
  const DibHandle partDib(CPics::BitmapToDIB(scratch.bitmap(), GetCurrentPalette(dc), nullptr));
  if (!partDib) return 0;
  const RECT rect{LONG(part.left), LONG(part.top), LONG(part.right), LONG(part.bottom)};
  return Paint(request, partDib.get(), rect);
}

}  // namespace

int TenfoldStages(double zoom, std::int64_t partLength, std::int64_t visibleLength) {
  int stages = 0;
  std::int64_t enlarged = partLength;
  while (zoom >= 10 && stages < 9 && enlarged * 10 <= visibleLength) {
    zoom /= 10;
    enlarged *= 10;
    ++stages;
  }
  return stages;
}

int DrawZoomed(const ZoomRequest& request) {
  if (request.dc == nullptr || request.dc->m_hDC == nullptr) return 0;
  const DrawableDib dib(request.dib);
  if (!dib.valid()) return 0;
  const DrawRect dest = ToDrawRect(request.dest);
  const float zoomX = float(dest.width()) / float(dib.width());
  const float zoomY = float(dest.height()) / float(dib.height());
  if (IsDisabledGif(request.type, request.enabled) ||
      (request.wholeBelowZoom11 && zoomX < 1.1f && zoomY < 1.1f))
    return Paint(request, request.dib, request.dest);

  const DrawRect area = request.visible ? *request.visible : VisibleArea(request.dc->m_hDC);
  const DrawRect part = Intersect(area, dest);
  if (part.empty()) return 0;
  if (zoomX >= 10 || zoomY >= 10) return DrawVisiblePart(request, dib, dest, part, true);
  const bool narrowVisible =
      request.partWhenNarrowVisible && request.visible &&
      (request.visible->width() < dest.width() || request.visible->height() < dest.height());
  if (!narrowVisible && part.width() * 2 > dest.width() && part.height() * 2 > dest.height())
    return Paint(request, request.dib, request.dest);
  return DrawVisiblePart(request, dib, dest, part, false);
}

}  // namespace graphics
