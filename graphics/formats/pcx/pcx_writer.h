// Writing PCX files: a version 5 header, run-length coded rows top row first and,
// for 256-colour pictures, the palette at the end. True-colour pictures are reduced
// to 256 colours and written with the palette of that reduction.
#pragma once

#include "Pics.h"

namespace graphics {

// Writes the picture at the file's current position. paletteBuffer (768 bytes, may be
// null) supplies header palette entries the DIB's colour table does not cover.
// False when the DIB is missing or damaged or memory cannot be had; a failed write
// throws CFileException.
bool WritePcxFile(CFile& file, HGLOBAL dib, const BYTE* paletteBuffer);

// Run-length codes one row into out (at most 2 x size bytes); returns the bytes used.
std::size_t EncodePcxRow(const BYTE* row, std::size_t size, BYTE* out);

}  // namespace graphics
