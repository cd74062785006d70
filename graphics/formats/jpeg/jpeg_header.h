// The header of a JPEG file, read through libjpeg up to the start of the first scan.
#pragma once

#include <optional>

#include "Pics.h"
#include "graphics/formats/registry/picture_facts.h"

namespace graphics {

// The facts of the JPEG file at the file's position. Loading gives a 24-bit picture,
// or 8 bits with 256 grey entries for a grey file; other colour spaces and sides a
// picture cannot hold are left to a load.
std::optional<PictureFacts> ReadJpegFacts(CFile& file);

}  // namespace graphics
