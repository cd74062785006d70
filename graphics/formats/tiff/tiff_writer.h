// Writing TIFF files: a picture's packed DIB (8 or 24 bits, LZW) and a DIB section
// in one of the save options' image types and compressions. Both write through a
// temporary file, so a failed save leaves an existing file untouched.
#pragma once

#include "Pics.h"
#include "graphics/formats/coder/section_view.h"

namespace graphics {

// 1 on success, 0 on failure (unsupported depth, open or write error).
int WriteDibAsTiff(const char* path, const void* dib);

// 1 on success, 0 for an unknown image type, a section the type cannot be made
// from, or an open or write error. An unknown compression selector keeps the
// compression of the previous call (none at first).
int WriteSectionAsTiff(const SectionView& section, const char* path, const TIFSaveOptions& options,
                       const RGBQUAD* colors, int colorCount);

}  // namespace graphics
