// Device bitmaps: compatible bitmaps, bitmaps from packed bits, their description and
// deletion.
#include <cstring>
#include <memory>
#include <new>

#include "graphics/platform/gdi_objects.h"

namespace graphics {
bool IsDeviceDepth(int bits) {
  return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Implemented with the DIB sections: a section of the same header and colours.
HBITMAP CloneDibSectionFormat(const BitmapObject& model, int width, int height);
}  // namespace graphics

namespace {

HBITMAP NewDeviceBitmap(int width, int height, int bits) {
  if (!graphics::BitmapSizeAcceptable(width, height) || !graphics::IsDeviceDepth(bits))
    return nullptr;
  try {
    auto bitmap = std::make_unique<BitmapObject>();
    bitmap->width = width;
    bitmap->height = height;
    bitmap->bits = bits;
    bitmap->values.assign(std::size_t(width) * std::size_t(height), 0);
    return bitmap.release();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

LONG DeviceRowBytes(const BitmapObject& bitmap) {
  return LONG(((std::int64_t(bitmap.width) * bitmap.bits + 15) / 16) * 2);
}

}  // namespace

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  if (dc == nullptr) return nullptr;
  if (dc->isScreen || dc->bitmap == nullptr) {
    const int bits = dc->devBits == 15 ? 16 : dc->devBits;
    return NewDeviceBitmap(width, height, bits);
  }
  if (dc->bitmap->isDibSection) {
    if (!graphics::BitmapSizeAcceptable(width, height)) return nullptr;
    return graphics::CloneDibSectionFormat(*dc->bitmap, width, height);
  }
  return NewDeviceBitmap(width, height, dc->bitmap->bits);
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  if (planes != 1) return nullptr;
  HBITMAP bitmap = NewDeviceBitmap(width, height, int(bitsPerPixel));
  if (bitmap == nullptr || bits == nullptr) return bitmap;
  const LONG rowBytes = DeviceRowBytes(*bitmap);
  const BYTE* data = static_cast<const BYTE*>(bits);
  for (int y = 0; y < height; ++y) {
    const BYTE* row = data + std::size_t(y) * std::size_t(rowBytes);
    for (int x = 0; x < width; ++x)
      bitmap->SetRaw(x, y, graphics::ReadPackedPixel(row, x, bitmap->bits));
  }
  return bitmap;
}

BOOL DeleteObject(HBITMAP bitmap) {
  if (bitmap == nullptr || bitmap->selectedInto != nullptr) return FALSE;
  delete bitmap;
  return TRUE;
}

int GetObject(HBITMAP bitmap, int size, void* out) {
  if (bitmap == nullptr || out == nullptr || size < int(sizeof(BITMAP))) return 0;
  BITMAP description{};
  description.bmWidth = bitmap->width;
  description.bmHeight = bitmap->height;
  description.bmWidthBytes = bitmap->isDibSection ? LONG(bitmap->stride) : DeviceRowBytes(*bitmap);
  description.bmPlanes = 1;
  description.bmBitsPixel = WORD(bitmap->bits);
  if (!bitmap->isDibSection || size < int(sizeof(DIBSECTION))) {
    description.bmBits = bitmap->isDibSection ? bitmap->dibBits.data() : nullptr;
    std::memcpy(out, &description, sizeof description);
    return int(sizeof description);
  }
  DIBSECTION section{};
  section.dsBm = description;
  section.dsBm.bmBits = bitmap->dibBits.data();
  section.dsBmih = bitmap->header;
  section.dsBmih.biSizeImage = DWORD(bitmap->dibBits.size());
  std::memcpy(out, &section, sizeof section);
  return int(sizeof section);
}
