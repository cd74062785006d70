#include "graphics/formats/gif/gif_reader.h"

#include <algorithm>

#include "graphics/core/dib_block.h"
#include "graphics/formats/coder/buffered_file.h"
#include "graphics/formats/coder/decoded_dib.h"
#include "graphics/formats/gif/gif_lzw_decoder.h"

namespace graphics {

namespace {

// Packs one row of indexes into a DIB row of the given depth, first pixel in the
// most significant bits.
void PackRow(const BYTE* indexes, int width, int bits, BYTE* out) {
  if (bits == 8) {
    std::copy(indexes, indexes + width, out);
    return;
  }
  const int perByte = 8 / bits;
  const int mask = (1 << bits) - 1;
  for (int x = 0; x < width; x += perByte) {
    BYTE packed = 0;
    for (int i = 0; i < perByte; ++i) {
      packed = BYTE(packed << bits);
      if (x + i < width) packed = BYTE(packed | (indexes[x + i] & mask));
    }
    out[x / perByte] = packed;
  }
}

}  // namespace

DibHandle DecodeGifImage(CFile& file, const GifImageInfo& info) {
  const int bits = info.dibBits();
  DibHandle dib = AllocateDib(info.width, info.height, bits, info.palette.data(), info.colors());
  if (!dib) return DibHandle();
  GifDecodeResult result = GifDecodeResult::badCodeSize;
  {
    LockedBlock block(dib.get());
    if (block) {
      BYTE* pixels = block.data() + DibPixelOffset(bits);
      const std::size_t stride = std::size_t(RowStride(info.width, bits));
      const std::vector<std::uint16_t> order = GifRowOrder(info.height, info.interlaced);
      file.Seek(static_cast<std::int64_t>(info.dataOffset), CFile::begin);
      BufferedReader in(file);
      GifLzwDecoder decoder(info.width, info.height);
      result = decoder.Decode(in, [&](int rowNumber, const BYTE* indexes) {
        const int y = order[std::size_t(rowNumber)];
        PackRow(indexes, info.width, bits, pixels + std::size_t(info.height - 1 - y) * stride);
      });
    }
  }
  if (result == GifDecodeResult::badCodeSize) return DibHandle();
  return dib;
}

DibHandle ReadGifFile(CFile& file) {
  const auto info = ScanGifHeader(file);
  return info ? DecodeGifImage(file, *info) : DibHandle();
}

}  // namespace graphics
