// Shared helpers of the picture library tests: scratch folders, files, DIBs made in
// memory and the outside tools (Pillow, ImageMagick) that make and check pictures.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "Pics.h"

namespace picstest {

// A fresh folder under the build tree, removed at the end of the test.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  std::string Path(const std::string& name) const { return (m_path / name).string(); }
  const std::filesystem::path& path() const { return m_path; }

 private:
  std::filesystem::path m_path;
};

std::vector<std::uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Runs /usr/bin/python3 with the script; true when it exits 0.
bool RunPython(const std::string& script);
// Runs a shell command line; true when it exits 0.
bool RunCommand(const std::string& command);

// A run of the pics tool built beside the tests: its exit status (-1 when it did not
// exit normally) and its output, standard error folded in.
struct ToolRun {
  int status = -1;
  std::string out;
};
ToolRun RunPics(const std::string& args);

// Top-down RGB pixels of a picture as a reference tool sees them.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // width x height x 3, top row first
  const std::uint8_t* At(int x, int y) const { return &rgb[(std::size_t(y) * width + x) * 3]; }
};
// Decodes a picture with Pillow.
RgbImage DecodeWithPillow(const std::string& path);
// Decodes many pictures with one Pillow run, each into PATH.rgb (read with LoadRgb).
bool DecodeAllWithPillow(const std::vector<std::string>& paths);
RgbImage LoadRgb(const std::string& rgbPath);

// Packed DIB with a 40-byte header in a new block: rows zero, colour table given as
// 0xRRGGBB values (its length is the colours-used field when nonzero).
HGLOBAL MakeDib(int width, int height, int bits, const std::vector<std::uint32_t>& colors = {},
                std::uint32_t colorsUsed = 0);

// Writes pixel (x, y) (top row 0) into a DIB of 1, 4, 8 or 24 bits: value is an index
// for palette depths, 0xRRGGBB for 24 bits.
void PutPixel(HGLOBAL dib, int x, int y, std::uint32_t value);

// Expects every pixel of the picture to equal the reference.
void ExpectSamePixels(const CPics& picture, const RgbImage& reference);

struct PictureCloser {
  void operator()(CPics* picture) const { CPics::ClosePicture(picture); }
};
using PicturePtr = std::unique_ptr<CPics, PictureCloser>;

}  // namespace picstest
