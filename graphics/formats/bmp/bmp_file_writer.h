// Writes a DIB as a BMP file: the 14-byte file header, then the packed DIB.
#pragma once

#include "Pics.h"

namespace graphics {

// Writes at the file's current position. False (nothing written) when the DIB
// cannot be locked or its header promises more than its block holds; a failed write
// throws CFileException. Stores row width x height into the DIB's image-size field.
bool WriteDibAsBmp(CFile& file, HGLOBAL hDIB);

}  // namespace graphics
