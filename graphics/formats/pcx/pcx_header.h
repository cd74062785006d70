// The 128-byte PCX file header and the picture layouts the reader accepts.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "Pics.h"
#include "graphics/formats/registry/picture_facts.h"

namespace graphics {

constexpr std::size_t kPcxHeaderSize = 128;
// The end palette: a marker byte 12 and 256 red, green, blue triplets.
constexpr std::size_t kPcxEndPaletteSize = 769;
constexpr BYTE kPcxEndPaletteMarker = 12;

struct PcxHeader {
  int bitsPerPlane = 0;
  int planes = 0;
  int width = 0;
  int height = 0;
  int bytesPerLine = 0;            // per plane, as stored
  std::array<BYTE, 48> palette{};  // the 16-entry header palette

  // Bytes of one decoded scan line (every plane).
  std::uint64_t ScanBytes() const { return std::uint64_t(bytesPerLine) * unsigned(planes); }
  // Depth of the DIB the picture becomes: 1, 4, 8 or 24.
  int DibBits() const;
  // Colours of the picture: 2^planes for 1 bit, 4, 16 or 256.
  int Colors() const;
  // True for 8-bit single-plane pictures, the only ones with an end palette.
  bool HasEndPalette() const { return bitsPerPlane == 8 && planes == 1; }
  // False when the rows would need far more than `dataBytes` of coded data.
  bool RowsFitData(std::uint64_t dataBytes) const;
};

// The header when its first bytes are 10, a version up to 5, 1 and its sizes describe a picture the
// reader can build (supported bits and planes, sides 1 to 32767, lines long enough);
// nullopt otherwise.
std::optional<PcxHeader> ParsePcxHeader(const BYTE* raw);

// The facts of the PCX file at the file's position: its header and its length.
std::optional<PictureFacts> ReadPcxFacts(CFile& file);

}  // namespace graphics
