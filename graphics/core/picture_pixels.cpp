// Pixel lookups on a picture object and unpacking a DIB to one byte per pixel.
#include <cstring>

#include "Pics.h"
#include "graphics/core/dib_block.h"

namespace {

// Row y (0 = top) of the picture's pixels, or nullptr when the cached facts do not fit
// the block (a picture whose DIB was replaced behind the object's back).
const BYTE* PictureRow(const BYTE* dib, std::size_t blockSize, int width, int height, int bits,
                       int y) {
  const std::uint64_t stride = graphics::RowStride(width, bits);
  const BYTE* image = CPics::DIBImagePtr(dib);
  const std::uint64_t offset = std::uint64_t(image - dib) + stride * std::uint64_t(height - 1 - y);
  if (offset + stride > blockSize) return nullptr;
  return dib + offset;
}

}  // namespace

int CPics::Inside(int x, int y) const {
  return x >= 0 && x < m_width && y >= 0 && y < m_height ? 1 : 0;
}

int CPics::GetIndex(int x, int y) const {
  if (!Inside(x, y) || m_bitsPerPixel > 8 || !m_bLoaded || m_hDIB == nullptr) return -1;
  graphics::LockedBlock dib(m_hDIB);
  if (!dib || dib.size() < 4) return -1;
  const BYTE* row = PictureRow(dib.data(), dib.size(), m_width, m_height, m_bitsPerPixel, y);
  if (row == nullptr) return -1;
  switch (m_bitsPerPixel) {
    case 1:
      return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4:
      return x % 2 ? row[x / 2] & 0x0F : row[x / 2] >> 4;
    case 8:
      return row[x];
    default:
      return -1;
  }
}

int CPics::GetRGB(int x, int y, unsigned char* red, unsigned char* green,
                  unsigned char* blue) const {
  if (!Inside(x, y)) return 0;
  if (m_bitsPerPixel > 8) {
    graphics::LockedBlock dib(m_hDIB);
    if (!dib || dib.size() < 4) return 0;
    const BYTE* row = PictureRow(dib.data(), dib.size(), m_width, m_height, m_bitsPerPixel, y);
    if (row == nullptr || std::uint64_t(x) * 3 + 3 > graphics::RowStride(m_width, m_bitsPerPixel))
      return 0;
    *blue = row[3 * x];
    *green = row[3 * x + 1];
    *red = row[3 * x + 2];
    return 1;
  }
  const int index = GetIndex(x, y);
  PALETTEENTRY entry{};
  if (index < 0 || GetPaletteEntries(m_hPalette, static_cast<UINT>(index), 1, &entry) != 1)
    return 0;
  *red = entry.peRed;
  *green = entry.peGreen;
  *blue = entry.peBlue;
  return 1;
}

DWORD CPics::GetPixel(int x, int y) const {
  BYTE red, green, blue;
  if (!GetRGB(x, y, &red, &green, &blue)) return 0xFFFFFFFF;
  return RGB(red, green, blue);
}

int CPics::GetPictureBits(const void* dib, void* destination, BYTE* paletteOut) {
  if (dib == nullptr || destination == nullptr) return 0;
  const int width = DIBWidth(dib);
  const int height = DIBHeight(dib);
  const int bits = DIBBitsPerPixel(dib);
  if (width <= 0 || height <= 0) return 0;
  auto* out = static_cast<BYTE*>(destination);

  if (bits == 24) {
    // Quantise a copy to 256 colours; the copy's palette is what the indices mean.
    graphics::DibHandle copy(CopyDIB(dib));
    if (!copy) return 0;
    int result = 0;
    if (ConvertTo8BPP(copy.address())) {
      graphics::LockedBlock reduced(copy.get());
      if (reduced && graphics::DibFitsBlock(reduced.data(), reduced.size()) &&
          DIBBitsPerPixel(reduced.data()) == 8) {
        // Top row first, like the palette depths below.
        const DWORD stride = DIBByteWidth(reduced.data());
        const BYTE* image = DIBImagePtr(reduced.data());
        for (int r = 0; r < height; ++r)
          std::memcpy(out + std::size_t(height - 1 - r) * width, image + std::size_t(r) * stride,
                      width);
        if (paletteOut != nullptr) {
          std::memset(paletteOut, 0, 768);
          DIBGetPalette(reduced.data(), paletteOut);
        }
        result = 1;
      }
    }
    return result;
  }
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8) return 0;

  const int perByte = 8 / bits;
  const int mask = (1 << bits) - 1;
  const DWORD stride = DIBByteWidth(dib);
  const BYTE* image = DIBImagePtr(dib);
  for (int r = 0; r < height; ++r) {
    const BYTE* row = image + std::size_t(r) * stride;
    BYTE* target = out + std::size_t(height - 1 - r) * width;
    for (int x = 0; x < width; ++x) {
      const int shift = (perByte - 1 - x % perByte) * bits;
      target[x] = static_cast<BYTE>((row[x / perByte] >> shift) & mask);
    }
  }
  if (paletteOut != nullptr) {
    std::memset(paletteOut, 0, 768);
    if (DIBNumberOfColors(dib) <= 256) DIBGetPalette(dib, paletteOut);
  }
  return 1;
}
