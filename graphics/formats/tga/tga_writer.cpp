#include "graphics/formats/tga/tga_writer.h"

#include <array>
#include <cstring>
#include <new>
#include <vector>

#include "graphics/formats/coder/buffered_file.h"
#include "graphics/formats/coder/source_dib.h"
#include "graphics/formats/tga/tga_header.h"

namespace graphics {

bool WriteTgaFile(CFile& file, HGLOBAL dib, const BYTE* paletteBuffer) {
  SourceDib source(dib);
  if (!source.valid()) return false;
  const int sourceBits = source.bits();
  const int depth = sourceBits == 1 ? 1 : sourceBits <= 8 ? 8 : 24;
  if (depth == 24 && sourceBits != 24 && !source.ExpandTo24Bits()) return false;
  const int width = source.width(), height = source.height();

  TgaHeader h;
  h.colorMapType = depth == 8 ? 1 : 0;
  h.imageType = depth == 8 ? kTgaColorMapped : depth == 24 ? kTgaTrueColor : kTgaGrey;
  h.colorMapLength = depth == 8 ? 256 : 0;
  h.colorMapEntryBits = 24;
  h.width = width;
  h.height = height;
  h.depth = depth;
  h.descriptor = kTgaTopFirst;

  const std::size_t rowBytes =
      depth == 1 ? (std::size_t(width) + 7) / 8 : std::size_t(width) * unsigned(depth / 8);
  std::vector<BYTE> row;
  try {
    row.resize(depth == 8 ? std::size_t(width) : rowBytes);
  } catch (const std::bad_alloc&) {
    return false;
  }

  BufferedWriter out(file);
  const auto raw = h.ToBytes();
  out.Write(raw.data(), raw.size());
  if (depth == 8) {
    std::array<BYTE, 768> palette{};
    if (paletteBuffer != nullptr) std::memcpy(palette.data(), paletteBuffer, 768);
    std::memcpy(palette.data(), source.palette().data(), 3 * std::size_t(source.colors()));
    for (int i = 0; i < 256; ++i) {
      const BYTE bgr[3] = {palette[3 * i + 2], palette[3 * i + 1], palette[3 * i]};
      out.Write(bgr, 3);
    }
  }
  // A one-bit TGA picture has no colour map: a set bit is white. A DIB whose first
  // entry is the lighter one is written with its bits inverted.
  const bool invert =
      depth == 1 && source.colors() >= 2 && source.GreyOfEntry(0) > source.GreyOfEntry(1);
  for (int y = 0; y < height; ++y) {
    if (depth == 8 && sourceBits != 8) {
      source.Indexes(y, row.data());  // 2 to 7 bits become one index a byte
      out.Write(row.data(), row.size());
    } else if (invert) {
      const BYTE* from = source.Row(y);
      for (std::size_t i = 0; i < rowBytes; ++i) row[i] = BYTE(~from[i]);
      out.Write(row.data(), rowBytes);
    } else {
      out.Write(source.Row(y), rowBytes);
    }
  }
  out.Flush();
  return true;
}

}  // namespace graphics
