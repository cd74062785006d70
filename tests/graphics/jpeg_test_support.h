// Helpers of the JPEG tests: test pictures written as BMP files, the reference
// command-line tools of the JPEG library, and calls of our front ends with argument
// lists.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "picture_test_support.h"

namespace jpegtest {

using Args = std::vector<std::string>;

// A photo-like 24-bit picture (gradients, waves and fixed noise) of odd size, so
// that rows need padding and the last blocks are partial.
constexpr int kWidth = 83;
constexpr int kHeight = 61;
std::uint32_t PhotoPixel(int x, int y);  // 0xRRGGBB

// BMP files with a 40-byte header, bottom-up. pixel(x, y) gives 0xRRGGBB for 24 bits
// and an index for the palette depths; pixelsPerMetre goes into both density fields.
void WriteBmp(const std::string& path, int width, int height, int bits,
              const std::vector<std::uint32_t>& palette,
              const std::function<std::uint32_t(int, int)>& pixel, std::int32_t pixelsPerMetre = 0);
void WritePhotoBmp(const std::string& path, std::int32_t pixelsPerMetre = 0);
void WriteGreyBmp(const std::string& path);  // 8 bits with a grey ramp colour table

// Runs /usr/bin/djpeg or /usr/bin/cjpeg with the switches, writing output (via
// -outfile); true when it exits 0.
bool RunReference(const std::string& tool, const Args& switches, const std::string& input,
                  const std::string& output);

// Calls a front end with argv = program, args...
int CallFrontEnd(int (*frontEnd)(int, char**), const std::string& program, const Args& args);

// A JPEG of the photo made by the reference compressor with the given switches.
std::string MakeReferenceJpeg(const picstest::ScratchDir& dir, const std::string& name,
                              const Args& switches);

// Points TMPDIR at a fresh folder for the test's lifetime, so that temporary files
// left behind can be counted.
class PrivateTempFolder {
 public:
  PrivateTempFolder();
  ~PrivateTempFolder();
  const std::string& Path() const { return m_path; }
  // Names in the folder that begin with "_W_" or "_JP".
  std::vector<std::string> Leftovers() const;

 private:
  picstest::ScratchDir m_dir;
  std::string m_path;
  std::string m_saved;
  bool m_hadSaved = false;
};

}  // namespace jpegtest
