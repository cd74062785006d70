// Helpers of the PCX, TGA and XBM tests: pictures made in memory, references
// decoded by ImageMagick, and the byte fields of written files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "picture_test_support.h"

namespace formatstest {

// Decodes a picture with ImageMagick (through a PNG that Pillow reads).
picstest::RgbImage DecodeWithImageMagick(const std::string& path);

// Top-down RGB pixels of a loaded picture.
picstest::RgbImage PixelsOf(const CPics& picture);

// A loaded picture made from a DIB (taken over), or null.
picstest::PicturePtr PictureFromDib(HGLOBAL dib, short type);

// A width x height picture of the given depth filled with a varied pattern: for
// palette depths every index appears, with a palette of distinct colours.
HGLOBAL PatternDib(int width, int height, int bits);

inline unsigned U16At(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  return bytes[offset] | (bytes[offset + 1] << 8);
}

// Expects two pixel sets to be equal (sizes, then each pixel).
void ExpectSameImage(const picstest::RgbImage& ours, const picstest::RgbImage& reference);

}  // namespace formatstest
