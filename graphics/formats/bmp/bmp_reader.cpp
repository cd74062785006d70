#include "graphics/formats/bmp/bmp_reader.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <utility>

#include "graphics/core/dib_block.h"
#include "graphics/formats/bmp/bmp_header.h"

namespace graphics {
namespace {

// A channel value under a colour mask, scaled to 0..255.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  int width = 0;
  explicit Channel(std::uint32_t m) : mask(m) {
    if (mask != 0) {
      shift = std::countr_zero(mask);
      width = std::min(32 - shift, static_cast<int>(std::bit_width(mask >> shift)));
    }
  }
  BYTE operator()(std::uint32_t pixel) const {
    if (width == 0) return 0;
    const std::uint64_t value = (pixel & mask) >> shift;
    if (width >= 8) return static_cast<BYTE>(value >> (width - 8));
    const std::uint64_t top = (std::uint64_t(1) << width) - 1;
    return static_cast<BYTE>((value * 255 + top / 2) / top);
  }
};

DibHandle WideTo24(const BYTE* data, const BmpLayout& layout) {
  const std::uint64_t stride24 = RowStride(layout.width, 24);
  DibHandle result =
      DibHandle::Allocate(DibPixelOffset(24) + stride24 * std::uint64_t(layout.height));
  LockedBlock target(result.get());
  if (!target) return DibHandle();

  BITMAPINFOHEADER header = DibHeader(static_cast<std::int32_t>(layout.width),
                                      static_cast<std::int32_t>(layout.height), 24);
  header.biSizeImage = static_cast<DWORD>(stride24 * std::uint64_t(layout.height));
  std::memcpy(&header.biXPelsPerMeter, data + 24, 8);  // keep the resolution
  std::memcpy(target.data(), &header, sizeof header);

  const Channel red(layout.masks[0]), green(layout.masks[1]), blue(layout.masks[2]);
  const int bytesPerPixel = layout.bits / 8;
  for (std::int64_t y = 0; y < layout.height; ++y) {
    const BYTE* in = data + layout.pixelStart + layout.rowBytes * std::uint64_t(y);
    BYTE* out = target.data() + DibPixelOffset(24) + stride24 * std::uint64_t(y);
    for (std::int64_t x = 0; x < layout.width; ++x, in += bytesPerPixel, out += 3) {
      const std::uint32_t pixel = bytesPerPixel == 2 ? BmpU16(in) : BmpU32(in);
      out[0] = blue(pixel);
      out[1] = green(pixel);
      out[2] = red(pixel);
    }
  }
  return result;
}

}  // namespace

bool NormaliseBmpData(DibHandle& block, std::uint64_t dataSize, std::uint32_t pixelOffset) {
  BmpLayout layout;
  bool ok = false;
  DibHandle replacement;
  {
    LockedBlock data(block.get());
    if (data && dataSize <= data.size() &&
        ReadBmpLayout(data.data(), dataSize, pixelOffset, layout)) {
      BYTE* bytes = data.data();
      if (layout.bits == 16 || layout.bits == 32) {
        replacement = WideTo24(bytes, layout);
        ok = bool(replacement);
      } else {
        // Long information headers become 40-byte ones; the colour table and rows
        // move up to follow the header directly.
        std::uint64_t header = layout.headerSize;
        if (!layout.core && header != 40 && header != 108) {
          const std::uint32_t forty = 40;
          std::memcpy(bytes, &forty, 4);
          std::memmove(bytes + 40, bytes + header, layout.paletteBytes);
          header = 40;
        }
        const std::uint64_t pixels = header + layout.paletteBytes;
        if (layout.pixelStart != pixels)
          std::memmove(bytes + pixels, bytes + layout.pixelStart, layout.imageBytes);
        ok = true;
      }
    }
  }
  if (replacement) block = std::move(replacement);
  if (!ok) block.reset();
  return ok;
}

BmpReadResult ReadBmpFile(CFile& file) {
  BmpReadResult result;
  BYTE fileHeader[14];
  const std::uint64_t start = file.GetPosition();
  const std::uint64_t length = file.GetLength();
  if (length < start + 14 || file.Read(fileHeader, 14) != 14 || fileHeader[0] != 'B' ||
      fileHeader[1] != 'M')
    return result;
  const std::uint64_t dataSize = length - start - 14;
  if (dataSize > std::uint64_t(kLargestBmpDib) * 2)
    return result;  // bigger than any picture we hold

  // The block keeps 14 spare zero bytes beyond the data.
  DibHandle block = DibHandle::Allocate(dataSize + 14);
  std::uint64_t done = 0;
  {
    LockedBlock data(block.get());
    while (data && done < dataSize) {
      const UINT piece = static_cast<UINT>(std::min<std::uint64_t>(dataSize - done, 1u << 30));
      const UINT got = file.Read(data.data() + done, piece);
      done += got;
      if (got < piece) break;
    }
  }
  if (!block || done < dataSize) return result;
  if (!NormaliseBmpData(block, dataSize, BmpU32(fileHeader + 10))) return result;
  result.blockSize = GlobalSize(block.get());
  result.dib = std::move(block);
  return result;
}

}  // namespace graphics
