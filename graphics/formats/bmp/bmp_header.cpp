#include "graphics/formats/bmp/bmp_header.h"

#include <algorithm>

#include "graphics/core/dib_block.h"

namespace graphics {
namespace {

constexpr int kLargestSide = 32767;
constexpr DWORD kBitfields = 3;

bool IsInfoHeaderSize(std::uint32_t size) {
  // 40 and 108 as they are; 52, 56, 64 and 124 start with the same 40 bytes.
  return size == 40 || size == 52 || size == 56 || size == 64 || size == 108 || size == 124;
}

}  // namespace

bool ReadBmpLayout(const BYTE* data, std::uint64_t size, std::uint32_t pixelOffset,
                   BmpLayout& out) {
  if (size < 4) return false;
  out.headerSize = BmpU32(data);
  if (out.headerSize == 12) {
    if (size < 12) return false;
    out.core = true;
    out.width = BmpU16(data + 4);
    out.height = BmpU16(data + 6);
    out.planes = BmpU16(data + 8);
    out.bits = BmpU16(data + 10);
  } else if (IsInfoHeaderSize(out.headerSize)) {
    if (size < out.headerSize) return false;
    out.width = static_cast<std::int32_t>(BmpU32(data + 4));
    out.height =
        static_cast<std::int32_t>(BmpU32(data + 8));  // negative (top-down) is refused below
    out.planes = BmpU16(data + 12);
    out.bits = BmpU16(data + 14);
    out.compression = BmpU32(data + 16);
    out.colorsUsed = BmpU32(data + 32);
  } else {
    return false;
  }

  if (out.width < 1 || out.width > kLargestSide || out.height < 1 || out.height > kLargestSide)
    return false;
  if (out.planes != 1 || out.colorsUsed > 256) return false;
  const int bits = out.bits;
  const bool palette = bits == 1 || bits == 4 || bits == 8;
  const bool wide = bits == 16 || bits == 32;
  if (!palette && !wide && bits != 24) return false;
  if (out.compression != BI_RGB && !(out.compression == kBitfields && wide)) return false;

  std::uint64_t maskBytes = 0;
  if (wide) {
    if (out.compression == kBitfields) {
      // A 40-byte header is followed by the three masks; longer headers hold them.
      const BYTE* masks = data + 40;
      if (out.headerSize == 40) maskBytes = 12;
      if (size < 52) return false;
      for (int i = 0; i < 3; ++i) out.masks[i] = BmpU32(masks + 4 * i);
    } else if (bits == 16) {
      out.masks[0] = 0x7C00, out.masks[1] = 0x03E0, out.masks[2] = 0x001F;
    } else {
      out.masks[0] = 0x00FF0000, out.masks[1] = 0x0000FF00, out.masks[2] = 0x000000FF;
    }
  }

  const std::uint64_t colors = out.colorsUsed != 0 ? out.colorsUsed : palette ? (1u << bits) : 0;
  out.paletteBytes = colors * (out.core ? 3 : 4);
  out.rowBytes = RowStride(out.width, bits);
  out.imageBytes = out.rowBytes * std::uint64_t(out.height);

  // The rows follow the colour table, unless the file header places them further on.
  const std::uint64_t direct = out.headerSize + maskBytes + out.paletteBytes;
  const std::uint64_t stated = pixelOffset >= 14 ? pixelOffset - 14u : 0;
  out.pixelStart = stated > direct && stated + out.imageBytes <= size ? stated : direct;
  if (out.pixelStart + out.imageBytes > size) return false;  // shorter than promised

  const std::uint64_t finalHeader = out.core ? 12 : out.headerSize == 108 ? 108 : 40;
  const std::uint64_t finalSize = wide ? 40 + RowStride(out.width, 24) * std::uint64_t(out.height)
                                       : finalHeader + out.paletteBytes + out.imageBytes;
  return finalSize <= kLargestBmpDib;
}

std::optional<PictureFacts> ReadBmpFacts(CFile& file) {
  BYTE fileHeader[kBmpFileHeaderSize];
  const std::uint64_t start = file.GetPosition();
  const std::uint64_t length = file.GetLength();
  if (length < start + kBmpFileHeaderSize || file.Read(fileHeader, sizeof fileHeader) != 14 ||
      fileHeader[0] != 'B' || fileHeader[1] != 'M')
    return std::nullopt;
  const std::uint64_t dataSize = length - start - kBmpFileHeaderSize;
  if (dataSize > kLargestBmpDib * 2) return std::nullopt;
  BYTE data[kBmpLongestHeaders] = {};
  const UINT wanted = static_cast<UINT>(std::min<std::uint64_t>(dataSize, sizeof data));
  if (file.Read(data, wanted) != wanted) return std::nullopt;
  BmpLayout layout;
  if (!ReadBmpLayout(data, dataSize, BmpU32(fileHeader + 10), layout)) return std::nullopt;
  // 16 and 32 bits become 24; the colours-used field of an information header stays.
  const int bits = layout.bits == 16 || layout.bits == 32 ? 24 : layout.bits;
  const int colors = !layout.core && layout.bits != 16 && layout.bits != 32 && layout.colorsUsed
                         ? int(layout.colorsUsed)
                         : DibTableColors(bits);
  return PictureFacts{int(layout.width), int(layout.height), bits, colors};
}

}  // namespace graphics
