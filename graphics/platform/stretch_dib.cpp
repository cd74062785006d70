// Stretching a packed DIB into a context (colour-on-colour).
#include <algorithm>

#include "graphics/platform/block_transfer.h"
#include "graphics/platform/color_mapping.h"

namespace graphics {
namespace {

// The pixels of a caller's DIB as the stretch reads them.
struct DibPixels {
  int width = 0;
  int height = 0;
  int bits = 0;
  std::size_t stride = 0;
  const BYTE* rows = nullptr;  // bottom row first
  std::vector<COLORREF> table;

  bool Read(const BITMAPINFO* info, const void* bits) {
    const auto* base = reinterpret_cast<const BYTE*>(info);
    std::int64_t w, h;
    const BYTE* colors;
    int entryBytes;
    DWORD used = 0;
    if (info->bmiHeader.biSize == 12) {
      const auto* core = reinterpret_cast<const BITMAPCOREHEADER*>(info);
      w = core->bcWidth;
      h = core->bcHeight;
      this->bits = core->bcBitCount;
      if (core->bcPlanes != 1) return false;
      colors = base + 12;
      entryBytes = 3;
    } else {
      const BITMAPINFOHEADER& header = info->bmiHeader;
      if (header.biSize < 40 || header.biCompression != BI_RGB || header.biPlanes != 1)
        return false;
      w = header.biWidth;
      h = header.biHeight;
      this->bits = header.biBitCount;
      used = header.biClrUsed;
      colors = base + header.biSize;
      entryBytes = 4;
    }
    const int b = this->bits;
    if (!(b == 1 || b == 4 || b == 8 || b == 16 || b == 24 || b == 32)) return false;
    if (w <= 0 || h <= 0 || w > 0x7FFFFFFF / 32 || h > 0x7FFFFFFF) return false;
    width = int(w);
    height = int(h);
    stride = std::size_t((std::uint64_t(w) * unsigned(b) + 31) / 32 * 4);
    rows = static_cast<const BYTE*>(bits);
    if (b <= 8) {
      const std::size_t full = std::size_t(1) << b;
      const std::size_t count = used != 0 ? std::min<std::size_t>(used, full) : full;
      for (std::size_t i = 0; i < count; ++i) {
        const BYTE* e = colors + i * std::size_t(entryBytes);
        table.push_back(RGB(e[2], e[1], e[0]));
      }
    }
    return rows != nullptr;
  }

  // Raw value at column x of picture row y (top-down): an index, or a COLORREF.
  std::uint32_t At(int x, int y) const {
    const BYTE* row = rows + std::size_t(height - 1 - y) * stride;
    const std::uint32_t raw = ReadPackedPixel(row, x, bits);
    return bits == 16 ? ColorOfX555(raw) : raw;
  }
};

}  // namespace

bool StretchDibInto(DeviceContextObject& dest, const Rect64& destRect, const Rect64& srcRect,
                    const void* bits, const BITMAPINFO* info, DWORD rop) {
  if (dest.bitmap == nullptr || info == nullptr || !IsSourceRop(rop)) return false;
  DibPixels dib;
  if (!dib.Read(info, bits)) return false;
  StretchPlan plan;
  if (!MakeStretchPlan(destRect, srcRect, DrawableArea(dest), dib.width, dib.height, plan))
    return true;
  BitmapObject& target = *dest.bitmap;
  ColorToRaw toRaw(target, &dest);
  std::vector<std::uint32_t> lookup;  // colour index to destination value
  if (dib.bits <= 8) {
    lookup.assign(std::size_t(1) << dib.bits, toRaw(RGB(0, 0, 0)));
    for (std::size_t i = 0; i < dib.table.size(); ++i) lookup[i] = toRaw(dib.table[i]);
  }
  // The common case, a 24-bit DIB copied onto a true-colour device bitmap, skips the
  // per-pixel format dispatch.
  const bool direct = dib.bits == 24 && !target.isDibSection && target.bits >= 24 && rop == SRCCOPY;
  for (std::size_t row = 0; row < plan.sourceY.size(); ++row) {
    const int sy = plan.sourceY[row];
    if (sy < 0) continue;
    const int y = plan.top + int(row);
    if (direct) {
      const BYTE* in = dib.rows + std::size_t(dib.height - 1 - sy) * dib.stride;
      std::uint32_t* out =
          target.values.data() + std::size_t(y) * std::size_t(target.width) + plan.left;
      for (std::size_t col = 0; col < plan.sourceX.size(); ++col) {
        const int sx = plan.sourceX[col];
        if (sx < 0) continue;
        const BYTE* px = in + 3 * std::size_t(sx);
        out[col] = RGB(px[2], px[1], px[0]);
      }
      continue;
    }
    for (std::size_t col = 0; col < plan.sourceX.size(); ++col) {
      const int sx = plan.sourceX[col];
      if (sx < 0) continue;
      const std::uint32_t value = dib.At(sx, sy);
      const std::uint32_t raw = dib.bits <= 8 ? lookup[value] : toRaw(value);
      const int x = plan.left + int(col);
      target.SetRaw(x, y, ApplyRop(rop, raw, target.Raw(x, y)));
    }
  }
  return true;
}

}  // namespace graphics

int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                  int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage,
                  DWORD rop) {
  if (dc == nullptr || info == nullptr || usage != DIB_RGB_COLORS) return 0;
  const std::int64_t height = info->bmiHeader.biSize == 12
                                  ? reinterpret_cast<const BITMAPCOREHEADER*>(info)->bcHeight
                                  : info->bmiHeader.biHeight;
  // The source rectangle counts rows from the bottom of the DIB; the plan reads top-down.
  const graphics::Rect64 source{xSrc, height - std::int64_t(ySrc) - srcHeight, srcWidth, srcHeight};
  if (!graphics::StretchDibInto(*dc, {xDest, yDest, destWidth, destHeight}, source, bits, info,
                                rop))
    return 0;
  return srcHeight;
}
