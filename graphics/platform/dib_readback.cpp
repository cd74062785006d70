// Reading a bitmap's rows back in DIB form.
#include <algorithm>
#include <cstring>

#include "graphics/platform/color_mapping.h"
#include "graphics/platform/gdi_objects.h"
#include "graphics/platform/system_palette.h"

namespace {

void WritePacked(BYTE* row, int x, int bits, std::uint32_t value) {
  switch (bits) {
    case 1:
      if (value & 1)
        row[x >> 3] |= BYTE(0x80 >> (x & 7));
      else
        row[x >> 3] &= BYTE(~(0x80 >> (x & 7)));
      break;
    case 4:
      row[x >> 1] = (x & 1) ? BYTE((row[x >> 1] & 0xF0) | (value & 0x0F))
                            : BYTE((row[x >> 1] & 0x0F) | ((value & 0x0F) << 4));
      break;
    case 8:
      row[x] = BYTE(value);
      break;
    case 24:
      row[3 * x] = GetBValue(value);
      row[3 * x + 1] = GetGValue(value);
      row[3 * x + 2] = GetRValue(value);
      break;
    default:
      row[4 * x] = GetBValue(value);
      row[4 * x + 1] = GetGValue(value);
      row[4 * x + 2] = GetRValue(value);
      row[4 * x + 3] = 0;
      break;
  }
}

// Colour table of the DIB form: a section's own table at its own depth, else the
// context's palette (8 bits), the 16 VGA colours (4 bits) or black and white (1 bit).
std::vector<RGBQUAD> TableFor(const BitmapObject& bitmap, const DeviceContextObject& dc, int bits) {
  std::vector<RGBQUAD> table(std::size_t(1) << bits, RGBQUAD{0, 0, 0, 0});
  if (bitmap.isDibSection && bitmap.bits == bits) {
    std::copy_n(bitmap.colorTable.begin(), std::min(table.size(), bitmap.colorTable.size()),
                table.begin());
  } else if (bits == 8) {
    const std::size_t n = std::min(table.size(), dc.paletteEntries.size());
    for (std::size_t i = 0; i < n; ++i) {
      const PALETTEENTRY& e = dc.paletteEntries[i];
      table[i] = RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0};
    }
  } else if (bits == 4) {
    for (std::size_t i = 0; i < 16; ++i) {
      const COLORREF c = graphics::VgaColors()[i];
      table[i] = RGBQUAD{GetBValue(c), GetGValue(c), GetRValue(c), 0};
    }
  } else {
    table[1] = RGBQUAD{255, 255, 255, 0};
  }
  return table;
}

}  // namespace

int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info,
              UINT usage) {
  if (dc == nullptr || bitmap == nullptr || info == nullptr || usage != DIB_RGB_COLORS) return 0;
  BITMAPINFOHEADER& header = info->bmiHeader;
  if (header.biSize < 40) return 0;
  const int depth = header.biBitCount == 0 ? (bitmap->bits <= 8 ? 8 : 24) : header.biBitCount;
  if (!(depth == 1 || depth == 4 || depth == 8 || depth == 24 || depth == 32)) return 0;
  const std::size_t stride =
      std::size_t((std::uint64_t(bitmap->width) * unsigned(depth) + 31) / 32 * 4);
  header.biWidth = bitmap->width;
  header.biHeight = bitmap->height;
  header.biPlanes = 1;
  header.biBitCount = WORD(depth);
  header.biCompression = BI_RGB;
  header.biSizeImage = DWORD(stride * std::size_t(bitmap->height));
  std::vector<RGBQUAD> table;
  if (depth <= 8) {
    table = TableFor(*bitmap, *dc, depth);
    header.biClrUsed = 0;
    std::memcpy(reinterpret_cast<BYTE*>(info) + header.biSize, table.data(),
                table.size() * sizeof(RGBQUAD));
  }
  if (bits == nullptr) return bitmap->height;
  if (start >= UINT(bitmap->height)) return 0;
  const UINT count = std::min<UINT>(lines, UINT(bitmap->height) - start);

  // Pixels are matched to the table through a stand-in section with that table.
  BitmapObject tableForm;
  tableForm.isDibSection = true;
  tableForm.bits = depth;
  tableForm.colorTable = table;
  graphics::ColorToRaw toIndex(tableForm, nullptr);
  const bool sameRaw = bitmap->isDibSection && bitmap->bits == depth && depth <= 8;
  BYTE* out = static_cast<BYTE*>(bits);
  for (UINT r = 0; r < count; ++r) {
    const int y = bitmap->height - 1 - int(start + r);
    BYTE* row = out + std::size_t(r) * stride;
    std::memset(row, 0, stride);
    if (!bitmap->isDibSection && bitmap->bits >= 24 && depth == 24) {
      // True-colour device rows hold colours already.
      const std::uint32_t* in = bitmap->values.data() + std::size_t(y) * std::size_t(bitmap->width);
      for (int x = 0; x < bitmap->width; ++x) {
        row[3 * x] = GetBValue(in[x]);
        row[3 * x + 1] = GetGValue(in[x]);
        row[3 * x + 2] = GetRValue(in[x]);
      }
      continue;
    }
    for (int x = 0; x < bitmap->width; ++x) {
      const std::uint32_t raw = bitmap->Raw(x, y);
      std::uint32_t value;
      if (sameRaw)
        value = raw;
      else if (depth <= 8)
        value = toIndex(graphics::ColorOfRaw(*bitmap, raw));
      else
        value = graphics::ColorOfRaw(*bitmap, raw);
      WritePacked(row, x, depth, value);
    }
  }
  return int(count);
}
