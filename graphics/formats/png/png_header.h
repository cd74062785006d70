// The header of a PNG file, read through libpng up to the first image data.
#pragma once

#include <optional>

#include "Pics.h"
#include "graphics/formats/registry/picture_facts.h"

namespace graphics {

// The facts of the PNG file at the file's position. Loading gives colour files 24
// bits and every other file (grey, palette) 8 bits with a 256-entry table.
std::optional<PictureFacts> ReadPngFacts(CFile& file);

}  // namespace graphics
