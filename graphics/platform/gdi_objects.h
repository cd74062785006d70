// The objects behind the drawing handles: bitmaps (device bitmaps and DIB sections),
// pens and device contexts. Internal to the drawing layer and its tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "Pics.h"

struct BitmapObject {
  int width = 0;
  int height = 0;
  int bits = 1;  // 1, 2, 4, 8, 16, 24 or 32
  bool isDibSection = false;

  // Device bitmap: one raw value per pixel, top row first. Palette depths hold indexes
  // (8 bits: the system palette), 16 bits an x555 value, 24 and 32 bits a COLORREF.
  std::vector<std::uint32_t> values;

  // DIB section: bottom-up rows of `stride` bytes, and the colour table of 8 bits or less.
  std::vector<BYTE> dibBits;
  std::size_t stride = 0;
  BITMAPINFOHEADER header{};
  std::vector<RGBQUAD> colorTable;

  DeviceContextObject* selectedInto = nullptr;

  std::uint32_t Raw(int x, int y) const;
  void SetRaw(int x, int y, std::uint32_t value);
};

struct PenObject {
  int style = PS_SOLID;
  int width = 1;
  COLORREF color = 0;
  int selections = 0;  // contexts that hold this pen
  bool stock = false;
};

struct DeviceContextObject {
  bool isScreen = false;
  int devBits = 24;  // depth of the device the context was made for
  int devPlanes = 1;
  int horzRes = 0;
  int vertRes = 0;
  bool paletteDevice = false;

  std::unique_ptr<BitmapObject> defaultBitmap;  // 1 x 1 monochrome of a memory context
  BitmapObject* bitmap = nullptr;               // the selected bitmap (memory contexts)
  HPEN pen = nullptr;
  COLORREF textColor = RGB(0, 0, 0);
  COLORREF bkColor = RGB(255, 255, 255);
  int stretchMode = COLORONCOLOR;
  POINT position{0, 0};

  bool hasClip = false;
  RECT clip{0, 0, 0, 0};

  // Selected palette: its handle and a copy of its entries (a deleted palette never
  // leaves the context pointing at freed memory).
  HPALETTE palette = nullptr;
  std::vector<PALETTEENTRY> paletteEntries;
  bool paletteBackground = false;
};

namespace graphics {

// Largest bitmap the layer makes: sides up to 1 << 20 and at most 1 << 28 pixels.
bool BitmapSizeAcceptable(std::int64_t width, std::int64_t height);

// The raw value of pixel x of a packed row of the given depth: an index up to 8 bits,
// the x555 value for 16, a COLORREF for 24 and 32.
std::uint32_t ReadPackedPixel(const BYTE* row, int x, int bits);

// Writable area of a context: its bitmap's bounds cut by the clip rectangle (empty for
// the screen, which has no pixels here).
RECT DrawableArea(const DeviceContextObject& dc);

}  // namespace graphics
