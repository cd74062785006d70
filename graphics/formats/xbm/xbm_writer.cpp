#include "graphics/formats/xbm/xbm_writer.h"

#include <cstdio>
#include <new>
#include <vector>

#include "graphics/formats/coder/buffered_file.h"
#include "graphics/formats/coder/source_dib.h"
#include "graphics/formats/xbm/xbm_reader.h"

namespace graphics {

namespace {

constexpr int kBlackBelow = 128;

int Grey(int red, int green, int blue) { return (30 * red + 59 * green + 11 * blue) / 100; }

// The file bytes of row y: bit x % 8 of byte x / 8 set for a black pixel.
void FileRow(const SourceDib& source, int y, bool entryZeroIsBlack, std::vector<BYTE>& indexes,
             std::vector<BYTE>& out) {
  const int width = source.width();
  std::fill(out.begin(), out.end(), BYTE(0));
  if (source.bits() == 1) {
    const BYTE* row = source.Row(y);
    for (std::size_t i = 0; i < out.size(); ++i) {
      const BYTE b = DibToXbmByte(row[i]);
      out[i] = entryZeroIsBlack ? b : BYTE(~b);
    }
  } else if (source.bits() <= 8) {
    source.Indexes(y, indexes.data());
    for (int x = 0; x < width; ++x)
      if (source.GreyOfEntry(indexes[std::size_t(x)]) < kBlackBelow)
        out[std::size_t(x / 8)] |= BYTE(1 << (x % 8));
  } else {
    const BYTE* px = source.Row(y);
    for (int x = 0; x < width; ++x, px += 3)
      if (Grey(px[2], px[1], px[0]) < kBlackBelow) out[std::size_t(x / 8)] |= BYTE(1 << (x % 8));
  }
  // Bits past the last pixel are left clear.
  if (width % 8 != 0) out.back() &= BYTE((1 << (width % 8)) - 1);
}

}  // namespace

BYTE DibToXbmByte(BYTE dibByte) {
  // Inverting and reversing are their own inverses, so the reader's table serves.
  return XbmToDibByte(dibByte);
}

bool WriteXbmFile(CFile& file, HGLOBAL dib) {
  SourceDib source(dib);
  if (!source.valid()) return false;
  if (source.bits() > 8 && source.bits() != 24 && !source.ExpandTo24Bits()) return false;
  const int width = source.width(), height = source.height();
  const bool entryZeroIsBlack =
      source.colors() < 2 || source.GreyOfEntry(0) <= source.GreyOfEntry(1);

  std::vector<BYTE> indexes, row;
  try {
    indexes.resize(std::size_t(width));
    row.resize((std::size_t(width) + 7) / 8);
  } catch (const std::bad_alloc&) {
    return false;
  }

  BufferedWriter out(file);
  char text[160];
  const int n = std::snprintf(
      text, sizeof text,
      "#define count_width %d\n\r#define count_height %d\n\rstatic char count_bits[] = {\n\r",
      width, height);
  out.Write(text, std::size_t(n));
  static constexpr char kHex[] = "0123456789abcdef";
  for (int y = 0; y < height; ++y) {
    FileRow(source, y, entryZeroIsBlack, indexes, row);
    for (std::size_t i = 0; i < row.size(); ++i) {
      const BYTE b = row[i];
      const char constant[4] = {'0', 'x', kHex[b >> 4], kHex[b & 15]};
      out.Write(constant, 4);
      if (y == height - 1 && i + 1 == row.size())
        out.Write("};", 2);
      else
        out.Put(',');
    }
    out.Write("\n\r", 2);
  }
  out.Flush();
  return true;
}

}  // namespace graphics
