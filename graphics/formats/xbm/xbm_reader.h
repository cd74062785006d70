// Reading XBM files: the "#define" header and the array of hexadecimal byte
// constants, into a one-bit DIB whose entry 0 is black and entry 1 white.
#pragma once

#include "Pics.h"
#include "graphics/core/dib_block.h"

namespace graphics {

// Reads the XBM text that starts at the file's current position. Null for an
// unrecognised header, an array that ends before every row is filled, or when
// memory cannot be had. Read errors throw CFileException.
DibHandle ReadXbmFile(CFile& file);

// The DIB byte for a byte of the file: bits reversed (the first pixel is the
// file's lowest bit) and inverted (a set bit in the file is black, entry 0).
BYTE XbmToDibByte(BYTE fileByte);

}  // namespace graphics
