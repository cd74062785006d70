// Device contexts: the screen's (facts only) and memory contexts that draw into the
// bitmap selected into them.
#include <algorithm>
#include <new>
#include <utility>

#include "graphics/platform/display.h"
#include "graphics/platform/gdi_objects.h"
#include "graphics/platform/pen_stock.h"

namespace graphics {

RECT DrawableArea(const DeviceContextObject& dc) {
  if (dc.bitmap == nullptr) return RECT{0, 0, 0, 0};
  RECT area{0, 0, dc.bitmap->width, dc.bitmap->height};
  if (dc.hasClip) {
    area.left = std::max(area.left, dc.clip.left);
    area.top = std::max(area.top, dc.clip.top);
    area.right = std::min(area.right, dc.clip.right);
    area.bottom = std::min(area.bottom, dc.clip.bottom);
  }
  if (area.right <= area.left || area.bottom <= area.top) return RECT{0, 0, 0, 0};
  return area;
}

}  // namespace graphics

namespace {

std::unique_ptr<DeviceContextObject> NewContext(const DeviceContextObject* reference) {
  auto dc = std::unique_ptr<DeviceContextObject>(new (std::nothrow) DeviceContextObject);
  if (!dc) return nullptr;
  if (reference != nullptr) {
    dc->devBits = reference->devBits;
    dc->devPlanes = reference->devPlanes;
    dc->horzRes = reference->horzRes;
    dc->vertRes = reference->vertRes;
    dc->paletteDevice = reference->paletteDevice;
  } else {
    const graphics::DisplayDescription& display = graphics::CurrentDisplay();
    dc->devBits = display.bitsPerPixel;
    dc->devPlanes = display.planes;
    dc->horzRes = display.horzRes;
    dc->vertRes = display.vertRes;
    dc->paletteDevice = display.paletteDevice;
  }
  dc->pen = graphics::StockPen();
  ++dc->pen->selections;
  SelectPalette(dc.get(), GetDefaultPalette(), FALSE);
  return dc;
}

void ReleaseContext(HDC dc) {
  if (dc->bitmap != nullptr) dc->bitmap->selectedInto = nullptr;
  if (dc->pen != nullptr) --dc->pen->selections;
  delete dc;
}

}  // namespace

HDC GetDC(HWND window) {
  if (window != nullptr) return nullptr;
  auto dc = NewContext(nullptr);
  if (!dc) return nullptr;
  dc->isScreen = true;
  return dc.release();
}

int ReleaseDC(HWND window, HDC dc) {
  if (window != nullptr || dc == nullptr || !dc->isScreen) return 0;
  ReleaseContext(dc);
  return 1;
}

HDC CreateCompatibleDC(HDC reference) {
  auto dc = NewContext(reference);
  if (!dc) return nullptr;
  dc->defaultBitmap.reset(new (std::nothrow) BitmapObject);
  if (!dc->defaultBitmap) return nullptr;
  dc->defaultBitmap->values.assign(1, 0);
  dc->defaultBitmap->width = dc->defaultBitmap->height = 1;
  dc->bitmap = dc->defaultBitmap.get();
  dc->bitmap->selectedInto = dc.get();
  return dc.release();
}

BOOL DeleteDC(HDC dc) {
  if (dc == nullptr || dc->isScreen) return FALSE;
  ReleaseContext(dc);
  return TRUE;
}

HBITMAP SelectObject(HDC dc, HBITMAP bitmap) {
  if (dc == nullptr || bitmap == nullptr || dc->isScreen) return nullptr;
  if (bitmap->selectedInto != nullptr && bitmap->selectedInto != dc) return nullptr;
  BitmapObject* previous = dc->bitmap;
  previous->selectedInto = nullptr;
  dc->bitmap = bitmap;
  bitmap->selectedInto = dc;
  return previous;
}

HBITMAP GetCurrentBitmap(HDC dc) { return dc == nullptr ? nullptr : dc->bitmap; }

COLORREF SetTextColor(HDC dc, COLORREF color) {
  if (dc == nullptr) return 0xFFFFFFFFu;
  return std::exchange(dc->textColor, color & 0xFFFFFFu);
}
COLORREF SetBkColor(HDC dc, COLORREF color) {
  if (dc == nullptr) return 0xFFFFFFFFu;
  return std::exchange(dc->bkColor, color & 0xFFFFFFu);
}
COLORREF GetTextColor(HDC dc) { return dc == nullptr ? 0xFFFFFFFFu : dc->textColor; }
COLORREF GetBkColor(HDC dc) { return dc == nullptr ? 0xFFFFFFFFu : dc->bkColor; }

int SetStretchBltMode(HDC dc, int mode) {
  if (dc == nullptr || mode != COLORONCOLOR) return 0;
  return std::exchange(dc->stretchMode, mode);
}
int GetStretchBltMode(HDC dc) { return dc == nullptr ? 0 : dc->stretchMode; }

int GetDeviceCaps(HDC dc, int index) {
  if (dc == nullptr) return 0;
  switch (index) {
    case HORZRES:
      return dc->horzRes;
    case VERTRES:
      return dc->vertRes;
    case BITSPIXEL:
      return dc->devBits;
    case PLANES:
      return dc->devPlanes;
    case NUMCOLORS:
      return dc->paletteDevice ? 20 : (dc->devBits <= 8 ? 1 << dc->devBits : -1);
    case RASTERCAPS:
      return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB |
             (dc->paletteDevice ? RC_PALETTE : 0);
    case SIZEPALETTE:
      return dc->paletteDevice ? 1 << std::min(dc->devBits, 8) : 0;
    case NUMRESERVED:
      return dc->paletteDevice ? 20 : 0;
    case COLORRES:
      return dc->paletteDevice ? 18 : dc->devBits;
    default:
      return 0;
  }
}

int GetClipBox(HDC dc, RECT* box) {
  if (dc == nullptr || box == nullptr) return RGN_ERROR;
  if (dc->isScreen) {
    *box = RECT{0, 0, dc->horzRes, dc->vertRes};
    if (dc->hasClip) {
      box->left = std::max(box->left, dc->clip.left);
      box->top = std::max(box->top, dc->clip.top);
      box->right = std::min(box->right, dc->clip.right);
      box->bottom = std::min(box->bottom, dc->clip.bottom);
      if (box->right <= box->left || box->bottom <= box->top) *box = RECT{0, 0, 0, 0};
    }
  } else {
    *box = graphics::DrawableArea(*dc);
  }
  return box->right > box->left && box->bottom > box->top ? SIMPLEREGION : NULLREGION;
}

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
  if (dc == nullptr) return RGN_ERROR;
  if (dc->hasClip) {
    dc->clip = RECT{std::max(dc->clip.left, left), std::max(dc->clip.top, top),
                    std::min(dc->clip.right, right), std::min(dc->clip.bottom, bottom)};
  } else {
    dc->clip = RECT{left, top, right, bottom};
    dc->hasClip = true;
  }
  RECT box;
  return GetClipBox(dc, &box);
}

BOOL DPtoLP(HDC dc, POINT* points, int count) {
  // Only the pixel mapping exists, so device and logical units are the same.
  return dc != nullptr && (points != nullptr || count == 0) && count >= 0;
}
