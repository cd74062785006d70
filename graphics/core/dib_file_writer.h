// A packed DIB in its file form: the 14-byte BMP file header, then the DIB. It is the
// base picture object's own stored form (SavePicture to an open file); the BMP coder
// writes the same bytes.
#pragma once

#include "Pics.h"

namespace graphics {

// Writes at the file's current position. False (nothing written) when the DIB
// cannot be locked or its header promises more than its block holds; a failed write
// throws CFileException. Stores row width x height into the DIB's image-size field.
bool WriteDibAsBmp(CFile& file, HGLOBAL hDIB);

}  // namespace graphics
