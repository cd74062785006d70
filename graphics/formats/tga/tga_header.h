// The 18-byte TGA file header.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "Pics.h"
#include "graphics/formats/registry/picture_facts.h"

namespace graphics {

constexpr std::size_t kTgaHeaderSize = 18;
constexpr BYTE kTgaTopFirst = 0x20;  // descriptor bit: the first row in the file is the top row

enum TgaImageType : BYTE {
  kTgaColorMapped = 1,
  kTgaTrueColor = 2,
  kTgaGrey = 3,
  kTgaColorMappedRle = 9,
  kTgaTrueColorRle = 10,
  kTgaGreyRle = 11,
};

struct TgaHeader {
  BYTE idLength = 0;
  BYTE colorMapType = 0;
  BYTE imageType = 0;
  int colorMapFirst = 0;
  int colorMapLength = 0;
  int colorMapEntryBits = 0;
  int xOrigin = 0;
  int yOrigin = 0;
  int width = 0;
  int height = 0;
  int depth = 0;
  BYTE descriptor = 0;

  static TgaHeader FromBytes(const BYTE* raw);
  std::array<BYTE, kTgaHeaderSize> ToBytes() const;

  bool RunLength() const { return imageType >= kTgaColorMappedRle; }
  bool Grey() const { return imageType == kTgaGrey || imageType == kTgaGreyRle; }
  bool ColorMapped() const {
    return imageType == kTgaColorMapped || imageType == kTgaColorMappedRle;
  }
  bool TopFirst() const { return (descriptor & kTgaTopFirst) != 0; }
  // Bytes of one stored pixel (a depth-1 picture stores eight pixels a byte).
  int PixelBytes() const { return depth <= 8 ? 1 : (depth + 7) / 8; }
  // Stored pixel units of one row: bytes for depth 1, pixels otherwise.
  std::uint64_t RowUnits() const {
    return depth == 1 ? (std::uint64_t(width) + 7) / 8 : std::uint64_t(width);
  }
  // Depth of the DIB the picture becomes: 1, 8 or 24; 0 when the reader cannot build it.
  int DibBits() const;
  // Bytes of the colour map: (bits + 7) / 8 for each entry.
  std::uint64_t MapBytes() const;
  // False when a file of `fileBytes` (header included) cannot hold the rows.
  bool RowsFitFile(std::uint64_t fileBytes) const;
};

// Reads the 18-byte header at the file's current position; nullopt for a short
// file or a picture the reader cannot build. Read errors throw CFileException.
std::optional<TgaHeader> ReadTgaHeader(CFile& file);

// The facts of the TGA file at the file's position: its header and its length.
std::optional<PictureFacts> ReadTgaFacts(CFile& file);

}  // namespace graphics
