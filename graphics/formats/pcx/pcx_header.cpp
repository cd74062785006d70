#include "graphics/formats/pcx/pcx_header.h"

#include <cstring>

#include "graphics/formats/coder/decoded_dib.h"

namespace graphics {

namespace {
int U16(const BYTE* p) { return p[0] | (p[1] << 8); }
}  // namespace

int PcxHeader::DibBits() const {
  if (planes == 1) {
    if (bitsPerPlane == 1) return 1;
    if (bitsPerPlane == 2 || bitsPerPlane == 4) return 4;  // two-bit pixels widen to nibbles
    if (bitsPerPlane == 8) return 8;
    return 0;
  }
  if (bitsPerPlane == 1 && planes <= 4) return 4;  // bit planes combine into one index
  if (bitsPerPlane == 8 && (planes == 3 || planes == 4)) return 24;  // red, green, blue (, alpha)
  return 0;
}

int PcxHeader::Colors() const {
  switch (bitsPerPlane) {
    case 1:
      return 1 << planes;
    case 2:
      return 4;
    case 4:
      return 16;
    default:
      return 256;
  }
}

std::optional<PcxHeader> ParsePcxHeader(const BYTE* raw) {
  // Versions 0 to 5 share the layout; older writers still use version 2 for one bit.
  const BYTE version = raw[1];
  if (raw[0] != 10 || raw[2] != 1 || version > 5 || version == 1) return std::nullopt;
  PcxHeader header;
  header.bitsPerPlane = raw[3];
  header.planes = raw[65];
  // Corners are signed 16-bit values; the width and height they give must fit a picture.
  const int xmin = std::int16_t(U16(raw + 4)), ymin = std::int16_t(U16(raw + 6));
  const int xmax = std::int16_t(U16(raw + 8)), ymax = std::int16_t(U16(raw + 10));
  header.width = xmax - xmin + 1;
  header.height = ymax - ymin + 1;
  header.bytesPerLine = U16(raw + 66);
  std::memcpy(header.palette.data(), raw + 16, 48);
  if (header.DibBits() == 0) return std::nullopt;
  if (header.width <= 0 || header.height <= 0 || header.width > kMaxPictureSide ||
      header.height > kMaxPictureSide)
    return std::nullopt;
  // Every plane line must hold a whole row of pixels.
  if (std::uint64_t(header.bytesPerLine) * 8 <
      std::uint64_t(header.width) * unsigned(header.bitsPerPlane))
    return std::nullopt;
  return header;
}

namespace {
// A run code repeats a byte at most 63 times for two bytes of data. A file whose
// rows would need far more data than it has is damaged (or built to exhaust memory);
// a little slack keeps short files of small pictures loading as zero rows.
constexpr std::uint64_t kMaxExpansion = 64;
constexpr std::uint64_t kShortFileSlack = 1 << 20;
}  // namespace

bool PcxHeader::RowsFitData(std::uint64_t dataBytes) const {
  return ScanBytes() * unsigned(height) <= dataBytes * kMaxExpansion + kShortFileSlack;
}

std::optional<PictureFacts> ReadPcxFacts(CFile& file) {
  const std::uint64_t start = file.GetPosition();
  BYTE raw[kPcxHeaderSize];
  if (file.Read(raw, sizeof raw) != sizeof raw) return std::nullopt;
  const auto header = ParsePcxHeader(raw);
  if (!header || !header->RowsFitData(file.GetLength() - start - kPcxHeaderSize))
    return std::nullopt;
  const int bits = header->DibBits();
  return PictureFacts{header->width, header->height, bits, DibTableColors(bits)};
}

}  // namespace graphics
