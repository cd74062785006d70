#include "graphics/formats/coder/decoded_dib.h"

#include <cstring>
#include <new>

#include "graphics/core/dib_block.h"

namespace graphics {

std::uint32_t DibPixelOffset(int bits) { return 40 + (bits <= 8 ? 4u << bits : 0u); }

HGLOBAL AllocateDib(int width, int height, int bits, const BYTE* rgb, int colors) {
  if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide)
    return nullptr;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return nullptr;
  const std::uint64_t bytes = DibPixelOffset(bits) + RowStride(width, bits) * unsigned(height);
  if (bytes > SIZE_MAX) return nullptr;
  HGLOBAL dib = GlobalAlloc(GHND, static_cast<std::size_t>(bytes));
  LockedBlock block(dib);
  if (!block) {
    if (dib != nullptr) GlobalFree(dib);
    return nullptr;
  }
  BITMAPINFOHEADER header{};
  header.biSize = 40;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = static_cast<WORD>(bits);
  std::memcpy(block.data(), &header, sizeof header);
  if (bits <= 8 && rgb != nullptr) {
    BYTE* table = block.data() + 40;
    const int entries = 1 << bits;
    for (int i = 0; i < colors && i < entries; ++i) {
      table[4 * i] = rgb[3 * i + 2];
      table[4 * i + 1] = rgb[3 * i + 1];
      table[4 * i + 2] = rgb[3 * i];
    }
  }
  return dib;
}

int AdoptDecodedDib(CPics& picture, HGLOBAL dib, short dither) {
  if (dib == nullptr) return 0;
  if (picture.m_hDIB != nullptr) GlobalFree(picture.m_hDIB);
  picture.m_hDIB = dib;
  picture.m_bHaveDIB = 1;
  picture.m_dibSize = static_cast<DWORD>(GlobalSize(dib));
  if (picture.CPics::LoadPicture(dither)) return 1;
  picture.m_hDIB = GlobalFree(picture.m_hDIB);
  picture.m_bLoaded = 0;
  return 0;
}

bool ReplacePaletteBuffer(CPics& picture, const BYTE* rgb, int colors) {
  // Owned by the object as new[] storage; its destructor deletes it.
  BYTE* fresh = new (std::nothrow) BYTE[768]();
  if (fresh == nullptr) return false;
  if (rgb != nullptr && colors > 0)
    std::memcpy(fresh, rgb, 3 * std::size_t(colors < 256 ? colors : 256));
  delete[] picture.m_PaletteBuffer;
  picture.m_PaletteBuffer = fresh;
  return true;
}

}  // namespace graphics
