// The header of an XBM text: two "#define" lines naming a width and a height, then
// the "static ... char name[] = {" line that opens the bit array.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace graphics {

struct XbmHeader {
  int width = 0;
  int height = 0;
  std::size_t bitsOffset = 0;  // just after the "{"
};

// Parses text already converted to lower case; nullopt when any part is missing.
std::optional<XbmHeader> ParseXbmHeader(std::string_view text);

// The content test: the first bytes of a file (any case) start an XBM text.
bool LooksLikeXbm(std::string_view firstBytes);

}  // namespace graphics
