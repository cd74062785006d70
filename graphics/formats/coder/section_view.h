// The pixels of a DIB section as the section writers see them: sides, depth, row
// stride and the bottom-up rows.
#pragma once

#include <cstddef>

#include "Pics.h"

namespace graphics {

struct SectionView {
  int width = 0;
  int height = 0;
  int bits = 0;
  std::size_t stride = 0;
  const BYTE* pixels = nullptr;  // stored row 0 is the bottom row

  const BYTE* TopRow(int r) const { return pixels + std::size_t(height - 1 - r) * stride; }
  // Sides positive, a known depth and rows of at least the packed width.
  bool Valid() const {
    return pixels != nullptr && width > 0 && height > 0 &&
           (bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32) &&
           stride >= (std::size_t(width) * unsigned(bits) + 7) / 8;
  }
};

// The view of a DIB section; false when the handle is not a usable DIB section.
bool ViewOfSection(HBITMAP bitmap, SectionView& view);

}  // namespace graphics
