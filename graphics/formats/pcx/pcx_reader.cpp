#include "graphics/formats/pcx/pcx_reader.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "graphics/core/dib_block.h"
#include "graphics/formats/coder/buffered_file.h"
#include "graphics/formats/coder/decoded_dib.h"

namespace graphics {

namespace {

void ChoosePalette(CFile& file, PcxPicture& picture) {
  const PcxHeader& h = picture.header;
  BYTE* rgb = picture.palette.data();
  if (h.DibBits() == 24) return;
  if (h.HasEndPalette()) {
    picture.colors = 256;
    if (picture.dataBytes >= kPcxEndPaletteSize) {
      BYTE tail[kPcxEndPaletteSize];
      file.Seek(static_cast<std::int64_t>(picture.start + kPcxHeaderSize + picture.dataBytes -
                                          kPcxEndPaletteSize),
                CFile::begin);
      if (file.Read(tail, sizeof tail) == sizeof tail && tail[0] == kPcxEndPaletteMarker) {
        std::memcpy(rgb, tail + 1, 768);
        return;
      }
    }
    // No palette at the end: the bytes are grey levels.
    for (int i = 0; i < 256; ++i) rgb[3 * i] = rgb[3 * i + 1] = rgb[3 * i + 2] = BYTE(i);
    return;
  }
  picture.colors = std::min(h.Colors(), 16);
  std::memcpy(rgb, h.palette.data(), 3 * std::size_t(picture.colors));
  // A two-colour picture whose header palette cannot tell its colours apart (many
  // writers leave it empty) is black and white.
  if (h.bitsPerPlane == 1 && h.planes == 1 && std::memcmp(rgb, rgb + 3, 3) == 0) {
    std::memset(rgb, 0, 3);
    std::memset(rgb + 3, 255, 3);
  }
}

// Moves one decoded scan line (all planes) into a DIB row.
void StoreScanLine(const PcxHeader& h, const BYTE* scan, BYTE* row) {
  const int width = h.width;
  const std::size_t plane = std::size_t(h.bytesPerLine);
  if (h.planes == 1 && h.bitsPerPlane != 2) {
    std::memcpy(row, scan, (std::size_t(width) * unsigned(h.bitsPerPlane) + 7) / 8);
    return;
  }
  if (h.planes == 1) {  // two bits a pixel into nibbles
    for (int x = 0; x < width; ++x) {
      const BYTE v = BYTE((scan[x / 4] >> (6 - 2 * (x % 4))) & 3);
      row[x / 2] |= x % 2 ? v : BYTE(v << 4);
    }
    return;
  }
  if (h.bitsPerPlane == 1) {  // plane p gives bit p of the index
    for (int x = 0; x < width; ++x) {
      const int shift = 7 - x % 8;
      BYTE v = 0;
      for (int p = 0; p < h.planes; ++p)
        v |= BYTE(((scan[p * plane + std::size_t(x / 8)] >> shift) & 1) << p);
      row[x / 2] |= x % 2 ? v : BYTE(v << 4);
    }
    return;
  }
  const BYTE* red = scan;
  const BYTE* green = scan + plane;
  const BYTE* blue = scan + 2 * plane;
  for (int x = 0; x < width; ++x, row += 3) {
    row[0] = blue[x];
    row[1] = green[x];
    row[2] = red[x];
  }
}

}  // namespace

std::optional<PcxPicture> ReadPcxHeader(CFile& file) {
  PcxPicture picture;
  picture.start = file.GetPosition();
  BYTE raw[kPcxHeaderSize];
  if (file.Read(raw, sizeof raw) != sizeof raw) return std::nullopt;
  const auto header = ParsePcxHeader(raw);
  if (!header) return std::nullopt;
  picture.header = *header;
  const std::uint64_t length = file.GetLength();
  picture.dataBytes =
      length > picture.start + kPcxHeaderSize ? length - picture.start - kPcxHeaderSize : 0;
  ChoosePalette(file, picture);
  file.Seek(static_cast<std::int64_t>(picture.start + kPcxHeaderSize), CFile::begin);
  return picture;
}

DibHandle DecodePcxRows(CFile& file, const PcxPicture& picture) {
  const PcxHeader& h = picture.header;
  const std::uint64_t scanBytes = h.ScanBytes();
  if (!h.RowsFitData(picture.dataBytes)) return DibHandle();
  const int bits = h.DibBits();
  DibHandle dib = AllocateDib(h.width, h.height, bits, picture.palette.data(), picture.colors);
  if (!dib) return DibHandle();
  try {
    LockedBlock block(dib.get());
    BYTE* pixels = block.data() + DibPixelOffset(bits);
    const std::size_t stride = RowStride(h.width, bits);
    std::vector<BYTE> scan(static_cast<std::size_t>(scanBytes));
    BufferedReader in(file);
    int runLeft = 0;
    BYTE runByte = 0;
    bool ended = false;
    for (int y = 0; y < h.height && !ended; ++y) {
      std::fill(scan.begin(), scan.end(), BYTE(0));
      std::size_t filled = 0;
      while (filled < scan.size()) {
        if (runLeft > 0) {
          // A run may go on into the next line; it continues there.
          const std::size_t n = std::min<std::size_t>(std::size_t(runLeft), scan.size() - filled);
          std::memset(scan.data() + filled, runByte, n);
          filled += n;
          runLeft -= int(n);
          continue;
        }
        const int code = in.Get();
        if (code < 0) {
          ended = true;
          break;
        }
        if (code >= 0xC0) {
          const int value = in.Get();
          if (value < 0) {
            ended = true;
            break;
          }
          runLeft = code - 0xC0;
          runByte = BYTE(value);
        } else {
          scan[filled++] = BYTE(code);
        }
      }
      StoreScanLine(h, scan.data(), pixels + std::size_t(h.height - 1 - y) * stride);
    }
  } catch (const std::bad_alloc&) {
    return DibHandle();
  }
  return dib;
}

DibHandle ReadPcxFile(CFile& file) {
  const auto picture = ReadPcxHeader(file);
  return picture ? DecodePcxRows(file, *picture) : DibHandle();
}

}  // namespace graphics
