#include "graphics/formats/tga/tga_header.h"

#include "graphics/formats/coder/decoded_dib.h"

namespace graphics {

namespace {
int U16(const BYTE* p) { return p[0] | (p[1] << 8); }
void PutU16(BYTE* p, int value) {
  p[0] = BYTE(value & 0xFF);
  p[1] = BYTE((value >> 8) & 0xFF);
}
}  // namespace

TgaHeader TgaHeader::FromBytes(const BYTE* raw) {
  TgaHeader h;
  h.idLength = raw[0];
  h.colorMapType = raw[1];
  h.imageType = raw[2];
  h.colorMapFirst = U16(raw + 3);
  h.colorMapLength = U16(raw + 5);
  h.colorMapEntryBits = raw[7];
  h.xOrigin = U16(raw + 8);
  h.yOrigin = U16(raw + 10);
  h.width = U16(raw + 12);
  h.height = U16(raw + 14);
  h.depth = raw[16];
  h.descriptor = raw[17];
  return h;
}

std::array<BYTE, kTgaHeaderSize> TgaHeader::ToBytes() const {
  std::array<BYTE, kTgaHeaderSize> raw{};
  raw[0] = idLength;
  raw[1] = colorMapType;
  raw[2] = imageType;
  PutU16(&raw[3], colorMapFirst);
  PutU16(&raw[5], colorMapLength);
  raw[7] = BYTE(colorMapEntryBits);
  PutU16(&raw[8], xOrigin);
  PutU16(&raw[10], yOrigin);
  PutU16(&raw[12], width);
  PutU16(&raw[14], height);
  raw[16] = BYTE(depth);
  raw[17] = descriptor;
  return raw;
}

int TgaHeader::DibBits() const {
  if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide) return 0;
  switch (imageType) {
    case kTgaColorMapped:
    case kTgaColorMappedRle:
      return depth == 8 ? 8 : 0;
    case kTgaTrueColor:
    case kTgaTrueColorRle:
      return depth == 8 ? 8 : depth == 16 || depth == 24 || depth == 32 ? 24 : 0;
    case kTgaGrey:
    case kTgaGreyRle:
      // Sixteen bits of grey are a level and an alpha byte.
      return depth == 1 ? 1 : depth == 8 ? 8 : depth == 16 ? 24 : 0;
    default:
      return 0;
  }
}

namespace {
// A run-length packet holds at most 128 pixels.
constexpr std::uint64_t kMaxPacketUnits = 128;
}  // namespace

std::uint64_t TgaHeader::MapBytes() const {
  return colorMapType == 0 ? 0
                           : std::uint64_t(colorMapLength) * unsigned((colorMapEntryBits + 7) / 8);
}

bool TgaHeader::RowsFitFile(std::uint64_t fileBytes) const {
  const std::uint64_t used = kTgaHeaderSize + idLength + MapBytes();
  const std::uint64_t remaining = fileBytes > used ? fileBytes - used : 0;
  const std::uint64_t units = RowUnits() * unsigned(height);
  return RunLength() ? units <= remaining * kMaxPacketUnits
                     : units * unsigned(PixelBytes()) <= remaining;
}

std::optional<TgaHeader> ReadTgaHeader(CFile& file) {
  BYTE raw[kTgaHeaderSize];
  if (file.Read(raw, sizeof raw) != sizeof raw) return std::nullopt;
  const TgaHeader header = TgaHeader::FromBytes(raw);
  if (header.DibBits() == 0) return std::nullopt;
  return header;
}

std::optional<PictureFacts> ReadTgaFacts(CFile& file) {
  const std::uint64_t start = file.GetPosition();
  const auto header = ReadTgaHeader(file);
  // Whether run-length rows are whole only decoding tells.
  if (!header || header->RunLength() || !header->RowsFitFile(file.GetLength() - start))
    return std::nullopt;
  const int bits = header->DibBits();
  return PictureFacts{header->width, header->height, bits, DibTableColors(bits)};
}

}  // namespace graphics
