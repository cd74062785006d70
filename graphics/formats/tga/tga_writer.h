// Writing TGA files: uncompressed one-bit, 256-colour colour-mapped and 24-bit
// pictures, top row first.
#pragma once

#include "Pics.h"

namespace graphics {

// Writes the picture at the file's current position. Pictures of 2 to 7 bits are
// written as 8-bit ones, 16- and 32-bit ones as 24-bit ones. paletteBuffer (768
// bytes, may be null) supplies colour-map entries the DIB's colour table does not
// cover. False for a missing or damaged DIB; a failed write throws CFileException.
bool WriteTgaFile(CFile& file, HGLOBAL dib, const BYTE* paletteBuffer);

}  // namespace graphics
