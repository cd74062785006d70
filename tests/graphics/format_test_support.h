// Helpers of the format tests: the fixture of files made by other tools, pictures made
// in memory, references decoded by ImageMagick, and the byte fields of written files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "picture_test_support.h"

namespace formatstest {

// A format's "from other tools" suite: one scratch folder for the suite, filled once by
// Files::Make(folder with a trailing slash), which runs Pillow scripts and ImageMagick.
template <class Files>
class FromOtherTools : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = new picstest::ScratchDir;
    Files::Make(dir->path().string() + "/");
  }
  static void TearDownTestSuite() {
    delete dir;
    dir = nullptr;
  }
  static std::string Path(const std::string& name) { return dir->Path(name); }
  static inline picstest::ScratchDir* dir = nullptr;
};

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
