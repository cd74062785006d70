// Block transfers: copy, AND, OR and XOR blits (stretched or not), black and white fills,
// and single pixels.
#include "graphics/platform/block_transfer.h"

#include <algorithm>
#include <optional>

#include "graphics/platform/color_mapping.h"

namespace graphics {

bool TransferPixels(DeviceContextObject& dest, const Rect64& destRect,
                    const DeviceContextObject& source, const Rect64& srcRect, DWORD rop) {
  if (dest.bitmap == nullptr || source.bitmap == nullptr || !IsSourceRop(rop)) return false;
  StretchPlan plan;
  if (!MakeStretchPlan(destRect, srcRect, DrawableArea(dest), source.bitmap->width,
                       source.bitmap->height, plan))
    return true;
  BitmapObject& target = *dest.bitmap;
  // A blit within one bitmap reads from a snapshot so overlapping areas copy correctly.
  std::optional<BitmapObject> snapshot;
  if (source.bitmap == dest.bitmap) snapshot.emplace(*source.bitmap);
  const BitmapObject& from = snapshot ? *snapshot : *source.bitmap;
  SourceConverter convert(from, source, target, dest);
  // Device bitmaps of one format copy their values as they are.
  const bool direct =
      convert.identity() && rop == SRCCOPY && !from.isDibSection && !target.isDibSection;
  for (std::size_t row = 0; row < plan.sourceY.size(); ++row) {
    const int sy = plan.sourceY[row];
    if (sy < 0) continue;
    const int y = plan.top + int(row);
    if (direct) {
      const std::uint32_t* in = from.values.data() + std::size_t(sy) * std::size_t(from.width);
      std::uint32_t* out =
          target.values.data() + std::size_t(y) * std::size_t(target.width) + plan.left;
      for (std::size_t col = 0; col < plan.sourceX.size(); ++col)
        if (plan.sourceX[col] >= 0) out[col] = in[plan.sourceX[col]];
      continue;
    }
    for (std::size_t col = 0; col < plan.sourceX.size(); ++col) {
      const int sx = plan.sourceX[col];
      if (sx < 0) continue;
      const int x = plan.left + int(col);
      target.SetRaw(x, y, ApplyRop(rop, convert(from.Raw(sx, sy)), target.Raw(x, y)));
    }
  }
  return true;
}

}  // namespace graphics

BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) {
  if (dc == nullptr || dc->bitmap == nullptr || (rop != BLACKNESS && rop != WHITENESS))
    return FALSE;
  std::int64_t left = x, top = y, right = std::int64_t(x) + width,
               bottom = std::int64_t(y) + height;
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  const RECT area = graphics::DrawableArea(*dc);
  left = std::max<std::int64_t>(left, area.left);
  top = std::max<std::int64_t>(top, area.top);
  right = std::min<std::int64_t>(right, area.right);
  bottom = std::min<std::int64_t>(bottom, area.bottom);
  const std::uint32_t raw =
      graphics::ColorToRaw(*dc->bitmap, dc)(rop == WHITENESS ? RGB(255, 255, 255) : RGB(0, 0, 0));
  for (std::int64_t py = top; py < bottom; ++py)
    for (std::int64_t px = left; px < right; ++px) dc->bitmap->SetRaw(int(px), int(py), raw);
  return TRUE;
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int xSrc, int ySrc,
                int srcWidth, int srcHeight, DWORD rop) {
  if (rop == BLACKNESS || rop == WHITENESS) return PatBlt(dest, x, y, width, height, rop);
  if (dest == nullptr || source == nullptr) return FALSE;
  return graphics::TransferPixels(*dest, {x, y, width, height}, *source,
                                  {xSrc, ySrc, srcWidth, srcHeight}, rop)
             ? TRUE
             : FALSE;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int xSrc, int ySrc,
            DWORD rop) {
  return StretchBlt(dest, x, y, width, height, source, xSrc, ySrc, width, height, rop);
}

COLORREF GetPixel(HDC dc, int x, int y) {
  if (dc == nullptr || dc->bitmap == nullptr) return 0xFFFFFFFFu;
  const RECT area = graphics::DrawableArea(*dc);
  if (x < area.left || x >= area.right || y < area.top || y >= area.bottom) return 0xFFFFFFFFu;
  return graphics::ColorOfRaw(*dc->bitmap, dc->bitmap->Raw(x, y));
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color) {
  if (dc == nullptr || dc->bitmap == nullptr) return 0xFFFFFFFFu;
  const RECT area = graphics::DrawableArea(*dc);
  if (x < area.left || x >= area.right || y < area.top || y >= area.bottom) return 0xFFFFFFFFu;
  const std::uint32_t raw = graphics::ColorToRaw(*dc->bitmap, dc)(color);
  dc->bitmap->SetRaw(x, y, raw);
  return graphics::ColorOfRaw(*dc->bitmap, raw);
}
