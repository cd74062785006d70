// DIB sections: bitmaps whose pixels are a bottom-up DIB the caller can write directly.
#include <algorithm>
#include <memory>
#include <new>

#include "graphics/platform/gdi_objects.h"

namespace graphics {

HBITMAP CloneDibSectionFormat(const BitmapObject& model, int width, int height);

namespace {

HBITMAP NewSection(const BITMAPINFOHEADER& header, const RGBQUAD* colors, std::size_t colorCount) {
  const int bits = header.biBitCount;
  if (!(bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32))
    return nullptr;
  if (header.biCompression != BI_RGB || header.biPlanes != 1) return nullptr;
  if (!BitmapSizeAcceptable(header.biWidth, header.biHeight)) return nullptr;
  const std::uint64_t stride = (std::uint64_t(header.biWidth) * unsigned(bits) + 31) / 32 * 4;
  try {
    auto bitmap = std::make_unique<BitmapObject>();
    bitmap->isDibSection = true;
    bitmap->width = header.biWidth;
    bitmap->height = header.biHeight;
    bitmap->bits = bits;
    bitmap->stride = std::size_t(stride);
    bitmap->dibBits.assign(std::size_t(stride * std::uint64_t(header.biHeight)), 0);
    bitmap->header =
        BITMAPINFOHEADER{40, header.biWidth,         header.biHeight,        1, WORD(bits), BI_RGB,
                         0,  header.biXPelsPerMeter, header.biYPelsPerMeter, 0, 0};
    if (bits <= 8) {
      bitmap->colorTable.assign(std::size_t(1) << bits, RGBQUAD{0, 0, 0, 0});
      std::copy_n(colors, std::min(colorCount, bitmap->colorTable.size()),
                  bitmap->colorTable.begin());
      bitmap->header.biClrUsed = DWORD(bitmap->colorTable.size());
    }
    return bitmap.release();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

BitmapObject* SelectedPaletteSection(HDC dc) {
  if (dc == nullptr || dc->bitmap == nullptr || !dc->bitmap->isDibSection || dc->bitmap->bits > 8)
    return nullptr;
  return dc->bitmap;
}

}  // namespace

HBITMAP CloneDibSectionFormat(const BitmapObject& model, int width, int height) {
  BITMAPINFOHEADER header = model.header;
  header.biWidth = width;
  header.biHeight = height;
  return NewSection(header, model.colorTable.data(), model.colorTable.size());
}

}  // namespace graphics

HBITMAP CreateDIBSection(HDC /*dc*/, const BITMAPINFO* info, UINT usage, void** bits,
                         HANDLE section, DWORD /*offset*/) {
  if (bits != nullptr) *bits = nullptr;
  // Only colour tables of RGB values and memory of our own are supported.
  if (info == nullptr || usage != DIB_RGB_COLORS || section != nullptr) return nullptr;
  const BITMAPINFOHEADER& header = info->bmiHeader;
  if (header.biSize < 40) return nullptr;
  std::size_t colorCount = 0;
  if (header.biBitCount <= 8) {
    const std::size_t full = std::size_t(1) << header.biBitCount;
    colorCount = header.biClrUsed != 0 ? std::min<std::size_t>(header.biClrUsed, full) : full;
  }
  const auto* colors =
      reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(info) + header.biSize);
  HBITMAP bitmap = graphics::NewSection(header, colors, colorCount);
  if (bitmap != nullptr && bits != nullptr) *bits = bitmap->dibBits.data();
  return bitmap;
}

UINT SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* colors) {
  BitmapObject* bitmap = graphics::SelectedPaletteSection(dc);
  if (bitmap == nullptr || colors == nullptr || start >= bitmap->colorTable.size()) return 0;
  const UINT n = std::min<UINT>(count, UINT(bitmap->colorTable.size()) - start);
  std::copy_n(colors, n, bitmap->colorTable.begin() + start);
  return n;
}

UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors) {
  BitmapObject* bitmap = graphics::SelectedPaletteSection(dc);
  if (bitmap == nullptr || colors == nullptr || start >= bitmap->colorTable.size()) return 0;
  const UINT n = std::min<UINT>(count, UINT(bitmap->colorTable.size()) - start);
  std::copy_n(bitmap->colorTable.begin() + start, n, colors);
  return n;
}
