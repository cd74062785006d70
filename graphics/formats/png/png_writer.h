// Writing PNG files with libpng: a picture's DIB with the object's PNG settings, and a
// DIB section with caller-given options and colours. Both write through a temporary
// file, so a failed save leaves an existing file untouched.
#pragma once

#include "Pics.h"
#include "graphics/formats/coder/section_view.h"

namespace graphics {

struct PngPictureSettings {
  bool interlace = false;
  bool transparent = false;
  COLORREF transparentColor = 0;
  bool background = false;
  COLORREF backgroundColor = 0;
  int bitDepthLimit = 0;  // 1: deeper pictures are dithered to black and white
};

// `dib` is a packed DIB of 1, 4, 8 or 24 bits. 1 on success, 0 on failure.
int WriteDibAsPng(const char* path, const void* dib, const PngPictureSettings& settings);

// 1 on success, 0 on failure (a section depth that cannot be written, too few
// colours for a palette, an open or libpng error).
int WriteSectionAsPng(const SectionView& section, const char* path, const PNGSaveOptions& options,
                      const RGBQUAD* colors, int colorCount);

}  // namespace graphics
