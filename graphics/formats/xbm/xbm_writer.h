// Writing XBM text: the "#define" lines and the array of byte constants, rows top
// first, each line ended by "\n\r". Pictures that are not black and white are
// reduced to it first (grey level below 128 is black).
#pragma once

#include "Pics.h"

namespace graphics {

// Writes the picture at the file's current position. False for a missing or
// damaged DIB or when memory cannot be had; a failed write throws CFileException.
bool WriteXbmFile(CFile& file, HGLOBAL dib);

// The file byte for a DIB byte of a picture whose entry 0 is black.
BYTE DibToXbmByte(BYTE dibByte);

}  // namespace graphics
