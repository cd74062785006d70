#include "graphics/formats/bmp/bmp_reader.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <utility>

#include "graphics/core/dib_block.h"

namespace graphics {
namespace {

constexpr int kLargestSide = 32767;
constexpr std::uint64_t kLargestDib = INT_MAX;  // sizes are reported as int

constexpr DWORD kBitfields = 3;

std::uint32_t U32(const BYTE* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
std::uint16_t U16(const BYTE* p) {
  std::uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

// What the headers of a BMP file say, before anything is trusted.
struct BmpLayout {
  std::uint32_t headerSize = 0;  // as stored
  bool core = false;             // 12-byte header, 3-byte colour entries
  std::int64_t width = 0, height = 0;
  int planes = 0, bits = 0;
  std::uint32_t compression = 0;
  std::uint32_t colorsUsed = 0;
  std::uint32_t masks[3] = {};
  std::uint64_t paletteBytes = 0;
  std::uint64_t rowBytes = 0;
  std::uint64_t imageBytes = 0;
  std::uint64_t pixelStart = 0;  // within the data
};

bool IsInfoHeaderSize(std::uint32_t size) {
  // 40 and 108 as they are; 52, 56, 64 and 124 start with the same 40 bytes.
  return size == 40 || size == 52 || size == 56 || size == 64 || size == 108 || size == 124;
}

bool ReadLayout(const BYTE* data, std::uint64_t size, std::uint32_t pixelOffset, BmpLayout& out) {
  if (size < 4) return false;
  out.headerSize = U32(data);
  if (out.headerSize == 12) {
    if (size < 12) return false;
    out.core = true;
    out.width = U16(data + 4);
    out.height = U16(data + 6);
    out.planes = U16(data + 8);
    out.bits = U16(data + 10);
  } else if (IsInfoHeaderSize(out.headerSize)) {
    if (size < out.headerSize) return false;
    out.width = static_cast<std::int32_t>(U32(data + 4));
    out.height = static_cast<std::int32_t>(U32(data + 8));  // negative (top-down) is refused below
    out.planes = U16(data + 12);
    out.bits = U16(data + 14);
    out.compression = U32(data + 16);
    out.colorsUsed = U32(data + 32);
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
      for (int i = 0; i < 3; ++i) out.masks[i] = U32(masks + 4 * i);
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
  return finalSize <= kLargestDib;
}

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
      const std::uint32_t pixel = bytesPerPixel == 2 ? U16(in) : U32(in);
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
    if (data && dataSize <= data.size() && ReadLayout(data.data(), dataSize, pixelOffset, layout)) {
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
  if (dataSize > std::uint64_t(kLargestDib) * 2) return result;  // bigger than any picture we hold

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
  if (!NormaliseBmpData(block, dataSize, U32(fileHeader + 10))) return result;
  result.blockSize = GlobalSize(block.get());
  result.dib = std::move(block);
  return result;
}

}  // namespace graphics
