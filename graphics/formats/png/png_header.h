// The header of a PNG file, read through libpng up to the first image data.
#pragma once

#include <png.h>

#include <optional>

#include "Pics.h"
#include "graphics/formats/registry/picture_facts.h"

namespace graphics {

// libpng's read function over an open CFile (the I/O pointer); a short read or a read
// error is a libpng error.
void ReadPngFromFile(png_structp png, png_bytep out, png_size_t count);

// The facts of the PNG file at the file's position. Loading gives colour files 24
// bits and every other file (grey, palette) 8 bits with a 256-entry table.
std::optional<PictureFacts> ReadPngFacts(CFile& file);

}  // namespace graphics
