// The header of an XBM text: two "#define" lines naming a width and a height, then
// the "static ... char name[] = {" line that opens the bit array.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "Pics.h"
#include "graphics/formats/registry/picture_facts.h"

namespace graphics {

struct XbmHeader {
  int width = 0;
  int height = 0;
  std::size_t bitsOffset = 0;  // just after the "{"
};

// Parses text already converted to lower case; nullopt when any part is missing.
std::optional<XbmHeader> ParseXbmHeader(std::string_view text);

// Reads and parses the header from the file's position, and checks that the sides fit a
// picture and that the rest of the file is long enough to hold every row's constants.
std::optional<XbmHeader> ReadXbmHeader(CFile& file);

// The facts of the XBM file at the file's position: one bit, two colours.
std::optional<PictureFacts> ReadXbmFacts(CFile& file);

// The content test: the first bytes of a file (any case) start an XBM text.
bool LooksLikeXbm(std::string_view firstBytes);

}  // namespace graphics
