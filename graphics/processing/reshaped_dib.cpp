#include "graphics/processing/reshaped_dib.h"

#include <cstring>

#include "graphics/core/depth/picture_refresh.h"

namespace graphics {

DibHandle AllocateReshapedDib(const BYTE* sourceDib, const DibLayout& layout, uint32_t width,
                              uint32_t height) {
  if (width > uint32_t(kMaxPictureSide) || height > uint32_t(kMaxPictureSide)) return DibHandle();
  const uint64_t imageSize = RowStride(width, layout.bitCount) * height;
  DibHandle fresh = DibHandle::Allocate(layout.imageOffset + imageSize);
  LockedBlock locked(fresh.get());
  if (!locked) return DibHandle();
  BYTE* dib = locked.data();
  std::memcpy(dib, sourceDib, size_t(layout.imageOffset));
  if (layout.headerSize == 12) {
    const uint16_t w = uint16_t(width), h = uint16_t(height);
    std::memcpy(dib + 4, &w, 2);
    std::memcpy(dib + 6, &h, 2);
  } else {
    const uint32_t w = width, h = height;
    std::memcpy(dib + 4, &w, 4);
    std::memcpy(dib + 8, &h, 4);
    // A recorded image size must not describe the old rows.
    uint32_t recorded;
    std::memcpy(&recorded, dib + 20, 4);
    if (recorded != 0) {
      const uint32_t size = uint32_t(imageSize);
      std::memcpy(dib + 20, &size, 4);
    }
  }
  return fresh;
}

int RefreshAfterTransform(CPics& picture, int result) {
  // Palette pictures may have been widened to 8 bits on the way, so the
  // palette copies are refreshed along with the header.
  return result ? RefreshAfterConversion(picture) : 0;
}

}  // namespace graphics
