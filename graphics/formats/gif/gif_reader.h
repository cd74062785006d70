// Decoding the first image of a GIF file into a DIB of 1, 4 or 8 bits.
#pragma once

#include "Pics.h"
#include "graphics/core/dib_block.h"
#include "graphics/formats/gif/gif_header.h"

namespace graphics {

// Decodes the image that `info` (from ScanGifHeader on the same file) describes into a
// new DIB with the image's colour table. Rows the data does not reach stay at index 0;
// indexes beyond the DIB's depth keep their low bits. Null when the code size is out
// of range or memory is short. Read errors throw CFileException.
DibHandle DecodeGifImage(CFile& file, const GifImageInfo& info);

// Both steps on a file: the scan from its start, then the decode.
DibHandle ReadGifFile(CFile& file);

}  // namespace graphics
