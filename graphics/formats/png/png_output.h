// One PNG image ready to be written: its header, chunks and rows (top row first, in
// the file's sample layout, or BGR for colour rows with `bgr`).
#pragma once

#include <png.h>

#include <vector>

namespace graphics {

struct PngOutput {
  int width = 0;
  int height = 0;
  int bitDepth = 8;
  int colorType = PNG_COLOR_TYPE_RGB;
  bool interlace = false;
  bool bgr = false;
  std::vector<png_color> palette;
  bool hasTransparency = false;
  std::vector<png_byte> paletteAlpha;  // palette images: one entry per palette colour
  png_color_16 transparentColor{};     // colour images
  bool hasBackground = false;
  png_color_16 background{};
  std::vector<png_bytep> rows;
};

// Writes the image to path through a temporary file; false on any failure.
bool WritePngOutput(const char* path, const PngOutput& image);

}  // namespace graphics
