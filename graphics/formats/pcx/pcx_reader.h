// Reading PCX files: the header, the palettes and the run-length coded rows, built
// into a DIB of 1, 4, 8 or 24 bits (several bit planes combine into one pixel).
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "Pics.h"
#include "graphics/core/dib_block.h"
#include "graphics/formats/pcx/pcx_header.h"

namespace graphics {

struct PcxPicture {
  PcxHeader header;
  std::array<BYTE, 768> palette{};  // red, green, blue triplets of the DIB's colour table
  int colors = 0;                   // entries of palette in use (0 for true colour)
  std::uint64_t start = 0;          // file position of the header
  std::uint64_t dataBytes = 0;      // bytes after the header
};

// Reads the header and palette of the PCX file at the file's current position.
// nullopt for a file that is not a PCX file the reader can build. Leaves the file
// positioned just after the header. Read errors throw CFileException.
std::optional<PcxPicture> ReadPcxHeader(CFile& file);

// Decodes the rows that follow the header into a new DIB; rows that the data does
// not reach stay zero. Null when the sizes promise far more than the data can hold
// or memory cannot be had.
DibHandle DecodePcxRows(CFile& file, const PcxPicture& picture);

// Both steps from the file's current position.
DibHandle ReadPcxFile(CFile& file);

}  // namespace graphics
