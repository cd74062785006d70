// The header scan of a GIF file: signature, logical screen, colour tables and the
// extensions in front of the first image, up to that image's descriptor.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "Pics.h"
#include "graphics/formats/registry/picture_facts.h"

namespace graphics {

struct GifImageInfo {
  int screenWidth = 0;  // logical screen, as recorded
  int screenHeight = 0;
  int width = 0;  // the first image
  int height = 0;
  bool interlaced = false;
  int tableBits = 1;  // colour-table size field + 1 (1..8) of the table in use
  bool hasColorTable = false;
  std::array<BYTE, 768> palette{};  // red, green, blue triplets; zeros past the table
  int transparentIndex = -1;        // from a Graphic Control Extension, or -1
  std::uint64_t dataOffset = 0;     // file position of the image's code size byte

  int colors() const { return 1 << tableBits; }
  // Depth of the DIB the image becomes: 1, 4 or 8 bits.
  int dibBits() const { return tableBits == 1 ? 1 : tableBits <= 4 ? 4 : 8; }
  // The library writes its screen one pixel smaller than its image.
  bool WrittenByUs() const { return screenWidth + 1 == width || screenHeight + 1 == height; }
};

// Scans the GIF file from its start (the file is rewound first) up to the first image.
// nullopt for another signature or version, a file that ends before an image, an image
// without pixels or larger than a picture can be, or a large image far beyond what its data
// could ever fill. A file without colour tables gets a grey ramp. Read errors throw
// CFileException.
std::optional<GifImageInfo> ScanGifHeader(CFile& file);

// The most pixels that `dataBytes` bytes of LZW codes can produce (each code adds at
// most one pixel to the longest string so far, and no string exceeds the table).
std::uint64_t MostPixelsFromCodeBytes(std::uint64_t dataBytes);

// The facts of the GIF file: its first image, from the header scan.
std::optional<PictureFacts> ReadGifFacts(CFile& file);

}  // namespace graphics
