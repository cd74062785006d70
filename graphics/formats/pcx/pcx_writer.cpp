#include "graphics/formats/pcx/pcx_writer.h"

#include <array>
#include <cstring>
#include <new>
#include <vector>

#include "graphics/formats/coder/buffered_file.h"
#include "graphics/core/dib_block.h"
#include "graphics/formats/coder/decoded_dib.h"
#include "graphics/formats/pcx/pcx_header.h"
#include "graphics/formats/coder/source_dib.h"

namespace graphics {

namespace {

constexpr char kFiller[] = "Created w/class lib, Raster Classes-Quillby Bookshop  ";
static_assert(sizeof kFiller - 1 == 54);

void PutU16(BYTE* p, unsigned value) {
  p[0] = BYTE(value & 0xFF);
  p[1] = BYTE((value >> 8) & 0xFF);
}

std::array<BYTE, kPcxHeaderSize> MakeHeader(int width, int height, int bits,
                                            std::uint32_t bytesPerLine, const BYTE* palette) {
  std::array<BYTE, kPcxHeaderSize> h{};
  h[0] = 10;
  h[1] = 5;
  h[2] = 1;
  h[3] = BYTE(bits);
  PutU16(&h[8], unsigned(width - 1));
  PutU16(&h[10], unsigned(height - 1));
  // Resolution fields: the width in bytes of one bit plane, rounded.
  const int pixelsPerByte = 8 / bits;
  const unsigned resolution = unsigned(double(width) / double(pixelsPerByte) + 0.5);
  PutU16(&h[12], resolution);
  PutU16(&h[14], resolution);
  std::memcpy(&h[16], palette, 48);
  h[65] = 1;
  PutU16(&h[66], bytesPerLine);
  PutU16(&h[68], 1);
  PutU16(&h[70], 1);
  PutU16(&h[72], 1);
  std::memcpy(&h[74], kFiller, 54);
  return h;
}

}  // namespace

std::size_t EncodePcxRow(const BYTE* row, std::size_t size, BYTE* out) {
  BYTE* start = out;
  std::size_t i = 0;
  while (i < size) {
    const BYTE b = row[i];
    if (i + 1 < size && row[i + 1] == b) {
      // Count the positions whose byte equals its successor; the byte where the run
      // stops is coded afresh.
      int count = 0;
      while (count < 63 && i + 1 < size && row[i] == row[i + 1]) {
        ++count;
        ++i;
      }
      *out++ = BYTE(0xC0 + count);
      *out++ = b;
      continue;
    }
    if (b >= 0xC0) *out++ = 0xC1;
    *out++ = b;
    ++i;
  }
  return std::size_t(out - start);
}

bool WritePcxFile(CFile& file, HGLOBAL dib, const BYTE* paletteBuffer) {
  SourceDib source(dib);
  if (!source.valid()) return false;
  const int depth = source.bits();
  if (depth != 1 && depth != 2 && depth != 4 && depth != 8) {
    // One index a pixel, written with the palette those indices refer to.
    if (!source.ReduceTo8Bits()) return false;
  }
  const int bits = source.bits();
  const int width = source.width(), height = source.height();

  std::array<BYTE, 768> palette{};
  if (paletteBuffer != nullptr && depth <= 8) std::memcpy(palette.data(), paletteBuffer, 768);
  std::memcpy(palette.data(), source.palette().data(), 3 * std::size_t(source.colors()));

  const std::uint32_t bytesPerLine = static_cast<std::uint32_t>(RowStride(width, bits));
  const std::size_t used = (std::size_t(width) * unsigned(bits) + 7) / 8;
  const auto header = MakeHeader(width, height, bits, bytesPerLine, palette.data());

  std::vector<BYTE> row, coded;
  try {
    row.assign(bytesPerLine, 0);
    coded.resize(2 * std::size_t(bytesPerLine));
  } catch (const std::bad_alloc&) {
    return false;
  }
  BufferedWriter out(file);
  out.Write(header.data(), header.size());
  for (int y = 0; y < height; ++y) {
    // Bytes past the last pixel are written as zeros whatever the DIB holds there.
    std::memcpy(row.data(), source.Row(y), used);
    out.Write(coded.data(), EncodePcxRow(row.data(), row.size(), coded.data()));
  }
  if (bits == 8) {
    // Readers look for the whole 256-entry palette, however few colours are used.
    out.Put(kPcxEndPaletteMarker);
    out.Write(palette.data(), palette.size());
  }
  out.Flush();
  return true;
}

}  // namespace graphics
