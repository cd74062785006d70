#include "graphics/formats/png/png_writer.h"

#include <cstdio>
#include <cstdint>
#include <cstring>
#include <vector>

#include "graphics/formats/coder/bilevel_dither.h"
#include "graphics/formats/png/png_output.h"
#include "graphics/platform/library_trace.h"

namespace graphics {
namespace {

png_color_16 ColorOf(COLORREF c) {
  png_color_16 color{};
  color.red = GetRValue(c), color.green = GetGValue(c), color.blue = GetBValue(c);
  return color;
}

bool SameColor(const png_color& entry, COLORREF c) {
  return entry.red == GetRValue(c) && entry.green == GetGValue(c) && entry.blue == GetBValue(c);
}

int NearestEntry(const std::vector<png_color>& palette, COLORREF c) {
  int best = 0;
  long bestDistance = -1;
  for (std::size_t i = 0; i < palette.size(); ++i) {
    const long dr = palette[i].red - GetRValue(c), dg = palette[i].green - GetGValue(c),
               db = palette[i].blue - GetBValue(c);
    const long distance = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || distance < bestDistance) best = int(i), bestDistance = distance;
  }
  return best;
}

// Palette images: every entry of the colour is transparent, all others opaque.
void SetPaletteTransparency(PngOutput& image, COLORREF color) {
  image.hasTransparency = true;
  image.paletteAlpha.assign(image.palette.size(), 255);
  for (std::size_t i = 0; i < image.palette.size(); ++i)
    if (SameColor(image.palette[i], color)) image.paletteAlpha[i] = 0;
}

void SetBackground(PngOutput& image, COLORREF color) {
  image.hasBackground = true;
  image.background = ColorOf(color);
  if (image.colorType != PNG_COLOR_TYPE_PALETTE) return;
  int index = -1;
  for (std::size_t i = 0; i < image.palette.size() && index < 0; ++i)
    if (SameColor(image.palette[i], color)) index = int(i);
  image.background.index = png_byte(index >= 0 ? index : NearestEntry(image.palette, color));
}

// Index of pixel x of a stored row of 1, 4 or 8 bits.
int IndexAt(const BYTE* row, int bits, int x) {
  switch (bits) {
    case 1:
      return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4:
      return x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 15;
    default:
      return row[x];
  }
}

// Packed rows of `depth`-bit samples (first pixel in the high bits).
class PackedRows {
 public:
  PackedRows(int width, int height, int depth)
      : m_stride((std::size_t(width) * unsigned(depth) + 7) / 8),
        m_bytes(m_stride * std::size_t(height), 0) {}
  BYTE* Row(int r) { return m_bytes.data() + m_stride * std::size_t(r); }
  std::size_t Stride() const { return m_stride; }

 private:
  std::size_t m_stride;
  std::vector<BYTE> m_bytes;
};

void Put(BYTE* row, int depth, int x, int value) {
  const int perByte = 8 / depth;
  row[x / perByte] |= BYTE((value & ((1 << depth) - 1)) << (8 - depth * (x % perByte + 1)));
}

// Dithers rows given by `stored(r)` (top row first) to 1-bit rows in `packed`.
template <class StoredRow>
void DitherRows(int width, int height, int bits, const RGBQUAD* colors, int colorCount,
                StoredRow stored, PackedRows& packed, PngOutput& image) {
  std::vector<BYTE> grey(static_cast<std::size_t>(width));
  BilevelDither dither(width);
  for (int r = 0; r < height; ++r) {
    GreyRow(stored(r), bits, width, colors, colorCount, grey.data());
    dither.Row(grey.data(), packed.Row(r), r == height - 1);
    image.rows.push_back(packed.Row(r));
  }
}

}  // namespace

int WriteDibAsPng(const char* path, const void* dib, const PngPictureSettings& settings) {
  if (dib == nullptr) return 0;
  const int bits = CPics::DIBBitsPerPixel(dib);
  const int width = CPics::DIBWidth(dib), height = CPics::DIBHeight(dib);
  if ((bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 24) || width <= 0 || height <= 0)
    return 0;
  const DWORD stride = CPics::DIBByteWidth(dib);
  const BYTE* pixels = CPics::DIBImagePtr(dib);
  const auto stored = [&](int r) { return pixels + std::size_t(height - 1 - r) * stride; };

  // The picture's colour table as RGBQUADs (3-byte entries of a core header too).
  std::vector<RGBQUAD> colors;
  if (bits <= 8) {
    const bool triplets = CPics::DIBHeaderSize(dib) == sizeof(BITMAPCOREHEADER);
    const BYTE* table = CPics::DIBPalettePtr(dib);
    const int count = std::min(CPics::DIBNumberOfColors(dib), 1 << bits);
    colors.assign(std::size_t(1) << bits, RGBQUAD{0, 0, 0, 0});
    for (int i = 0; i < count; ++i) {
      const BYTE* e = table + i * (triplets ? 3 : 4);
      colors[i] = RGBQUAD{e[0], e[1], e[2], 0};
    }
  }

  PngOutput image;
  image.width = width, image.height = height, image.interlace = settings.interlace;
  std::unique_ptr<PackedRows> packed;
  if (settings.bitDepthLimit == 1 && bits > 1) {
    image.colorType = PNG_COLOR_TYPE_PALETTE, image.bitDepth = 1;
    image.palette = {png_color{0, 0, 0}, png_color{255, 255, 255}};
    packed = std::make_unique<PackedRows>(width, height, 1);
    DitherRows(width, height, bits, colors.data(), int(colors.size()), stored, *packed, image);
  } else if (bits == 24) {
    image.colorType = PNG_COLOR_TYPE_RGB, image.bitDepth = 8, image.bgr = true;
    for (int r = 0; r < height; ++r) image.rows.push_back(const_cast<BYTE*>(stored(r)));
  } else {
    image.colorType = PNG_COLOR_TYPE_PALETTE, image.bitDepth = bits;
    for (const RGBQUAD& c : colors)
      image.palette.push_back(png_color{c.rgbRed, c.rgbGreen, c.rgbBlue});
    for (int r = 0; r < height; ++r) image.rows.push_back(const_cast<BYTE*>(stored(r)));
  }
  if (image.colorType == PNG_COLOR_TYPE_PALETTE)
    LibraryTrace("PNG writer: palette [%d %d %x]", image.colorType, 1,
                 unsigned(reinterpret_cast<std::uintptr_t>(image.palette.data())));
  if (settings.transparent) {
    if (image.colorType == PNG_COLOR_TYPE_PALETTE) {
      const png_color& exact =
          image.palette[NearestEntry(image.palette, settings.transparentColor)];
      SetPaletteTransparency(image, RGB(exact.red, exact.green, exact.blue));
    } else {
      image.hasTransparency = true;
      image.transparentColor = ColorOf(settings.transparentColor);
    }
  }
  if (settings.background) SetBackground(image, settings.backgroundColor);
  return WritePngOutput(path, image) ? 1 : 0;
}

int WriteSectionAsPng(const SectionView& section, const char* path, const PNGSaveOptions& options,
                      const RGBQUAD* colors, int colorCount) {
  if (!section.Valid() || section.bits == 16) return 0;
  const int width = section.width, height = section.height;
  const bool trueColor = section.bits > 8;
  int depth = 8;
  if (!trueColor) {
    depth = section.bits;
    if (colorCount < 17 && depth > 4) depth = 4;
    if (colorCount < 5 && depth > 2) depth = 2;
    if (colorCount < 3) depth = 1;
  }
  // A limit of 0 is no limit: no PNG can be written with samples of 0 bits.
  const int limit = options.bitDepthLimit;
  const bool limited = limit > 0 && (trueColor ? limit < 8 : depth > limit);
  const bool dither = limited && limit == 1 && (trueColor || section.bits > 1);
  if (limited && !dither) {
    if (trueColor || (limit != 1 && limit != 2 && limit != 4)) return 0;
    depth = limit;
  }
  if (dither) depth = 1;

  PngOutput image;
  image.width = width, image.height = height, image.interlace = options.interlace != 0;
  std::unique_ptr<PackedRows> packed;
  std::vector<BYTE> rgb;
  if (trueColor && !dither) {
    image.colorType = PNG_COLOR_TYPE_RGB, image.bitDepth = 8, image.bgr = true;
    if (section.bits == 24) {
      for (int r = 0; r < height; ++r) image.rows.push_back(const_cast<BYTE*>(section.TopRow(r)));
    } else {  // 32 bits: the fourth byte is not written
      const std::size_t rowBytes = std::size_t(width) * 3;
      rgb.resize(rowBytes * std::size_t(height));
      for (int r = 0; r < height; ++r) {
        const BYTE* from = section.TopRow(r);
        BYTE* to = rgb.data() + rowBytes * std::size_t(r);
        for (int x = 0; x < width; ++x) std::memcpy(to + 3 * x, from + 4 * x, 3);
        image.rows.push_back(to);
      }
    }
  } else {
    const int entries = std::min(colorCount, 1 << depth);
    if (colors == nullptr || entries < (dither ? 2 : 1)) return 0;
    image.colorType = PNG_COLOR_TYPE_PALETTE, image.bitDepth = depth;
    for (int i = 0; i < entries; ++i)
      image.palette.push_back(png_color{colors[i].rgbRed, colors[i].rgbGreen, colors[i].rgbBlue});
    packed = std::make_unique<PackedRows>(width, height, depth);
    if (dither) {
      DitherRows(
          width, height, section.bits, colors, colorCount, [&](int r) { return section.TopRow(r); },
          *packed, image);
    } else {
      for (int r = 0; r < height; ++r) {
        const BYTE* from = section.TopRow(r);
        BYTE* to = packed->Row(r);
        for (int x = 0; x < width; ++x) Put(to, depth, x, IndexAt(from, section.bits, x));
        image.rows.push_back(to);
      }
    }
  }
  if (options.transparent) {
    if (image.colorType == PNG_COLOR_TYPE_PALETTE) {
      SetPaletteTransparency(image, options.transparentColor);
    } else {
      image.hasTransparency = true;
      image.transparentColor = ColorOf(options.transparentColor);
    }
  }
  if (options.background) SetBackground(image, options.backgroundColor);
  return WritePngOutput(path, image) ? 1 : 0;
}

}  // namespace graphics
