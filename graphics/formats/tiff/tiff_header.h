// The first directory of a TIFF file, read through libtiff's client interface from
// the open file (only the directory's bytes are read, wherever it lies).
#pragma once

#include <optional>

#include "Pics.h"
#include "graphics/formats/registry/picture_facts.h"

namespace graphics {

// The facts of the TIFF file (read from its start). Loading gives every TIFF picture
// 24 bits; a directory the decoder could not read is left to a load.
std::optional<PictureFacts> ReadTiffFacts(CFile& file);

}  // namespace graphics
