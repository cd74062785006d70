// The DIB accessors: the one place where header kinds, colour counts and row widths
// of a packed DIB are worked out.
#include <cstring>

#include "Pics.h"
#include "graphics/core/dib_block.h"

namespace {

DWORD ReadU32(const void* dib, std::size_t offset) {
  DWORD value;
  std::memcpy(&value, static_cast<const BYTE*>(dib) + offset, sizeof value);
  return value;
}
WORD ReadU16(const void* dib, std::size_t offset) {
  WORD value;
  std::memcpy(&value, static_cast<const BYTE*>(dib) + offset, sizeof value);
  return value;
}
LONG ReadI32(const void* dib, std::size_t offset) {
  return static_cast<LONG>(ReadU32(dib, offset));
}

bool HasInfoHeader(const void* dib) {
  const DWORD size = ReadU32(dib, 0);
  return size == 40 || size == 108;
}

}  // namespace

DWORD CPics::DIBHeaderSize(const void* dib) {
  const DWORD size = ReadU32(dib, 0);
  return size == 40 || size == 108 ? size : 12;
}

int CPics::DIBWidth(const void* dib) {
  return HasInfoHeader(dib) ? ReadI32(dib, 4) : ReadU16(dib, 4);
}

int CPics::DIBHeight(const void* dib) {
  return HasInfoHeader(dib) ? ReadI32(dib, 8) : ReadU16(dib, 6);
}

int CPics::DIBBitPlanes(const void* dib) {
  return HasInfoHeader(dib) ? ReadU16(dib, 12) : ReadU16(dib, 8);
}

int CPics::DIBBitsPerPixel(const void* dib) {
  return HasInfoHeader(dib) ? ReadU16(dib, 14) : ReadU16(dib, 10);
}

int CPics::DIBNumberOfColors(const void* dib) {
  if (HasInfoHeader(dib)) {
    const DWORD used = ReadU32(dib, 32);
    if (used != 0) return static_cast<int>(used);
  }
  switch (DIBBitsPerPixel(dib)) {
    case 1:
      return 2;
    case 4:
      return 16;
    case 8:
      return 256;
    default:
      return 0;
  }
}

DWORD CPics::DIBByteWidth(const void* dib) {
  // 1, 2, 4, 8 and 24 bits follow the usual rule; 16 and 32 bits take 2 and 4 bytes a
  // pixel, rounded up to 4 bytes like every other row.
  return static_cast<DWORD>(graphics::RowStride(DIBWidth(dib), DIBBitsPerPixel(dib)));
}

DWORD CPics::DIBPaletteSize(const void* dib) {
  const int colors = DIBNumberOfColors(dib);
  if (colors <= 0) return 0;
  return static_cast<DWORD>(colors) * (HasInfoHeader(dib) ? 4 : 3);
}

BYTE* CPics::DIBPalettePtr(void* dib) { return static_cast<BYTE*>(dib) + DIBHeaderSize(dib); }
const BYTE* CPics::DIBPalettePtr(const void* dib) {
  return static_cast<const BYTE*>(dib) + DIBHeaderSize(dib);
}

BYTE* CPics::DIBImagePtr(void* dib) { return DIBPalettePtr(dib) + DIBPaletteSize(dib); }
const BYTE* CPics::DIBImagePtr(const void* dib) { return DIBPalettePtr(dib) + DIBPaletteSize(dib); }

void CPics::DIBGetPalette(const void* dib, BYTE* rgbOut) {
  if (dib == nullptr || rgbOut == nullptr || DIBBitsPerPixel(dib) == 24) return;
  // Same entry size as DIBPaletteSize, so the walk never leaves the colour table.
  const std::size_t step = HasInfoHeader(dib) ? 4 : 3;
  const BYTE* entry = DIBPalettePtr(dib);
  const int colors = DIBNumberOfColors(dib);
  for (int i = 0; i < colors; ++i, entry += step) {
    *rgbOut++ = entry[2];
    *rgbOut++ = entry[1];
    *rgbOut++ = entry[0];
  }
}

void CPics::GetDIBPalette(HGLOBAL hDIB, BYTE* rgbOut) {
  graphics::LockedBlock dib(hDIB);
  if (!dib || !graphics::DibFitsBlock(dib.data(), dib.size())) return;
  DIBGetPalette(dib.data(), rgbOut);
}

HGLOBAL CPics::CopyDIB(const void* dib) {
  if (dib == nullptr) return nullptr;
  const std::uint64_t size = graphics::PackedDibSize(dib);
  if (size == 0 || size > SIZE_MAX) return nullptr;
  HGLOBAL copy = GlobalAlloc(GHND, static_cast<std::size_t>(size));
  graphics::LockedBlock target(copy);
  if (!target) return nullptr;
  std::memcpy(target.data(), dib, static_cast<std::size_t>(size));
  return copy;
}

namespace graphics {

DibHandle DibHandle::Allocate(std::uint64_t bytes) {
  if (bytes > SIZE_MAX) return DibHandle();
  return DibHandle(GlobalAlloc(GHND, static_cast<std::size_t>(bytes)));
}

DibHandle CopyOfBlock(HGLOBAL source) {
  LockedBlock from(source);
  if (!from) return DibHandle();
  DibHandle copy = DibHandle::Allocate(from.size());
  LockedBlock to(copy.get());
  if (!to) return DibHandle();
  std::memcpy(to.data(), from.data(), from.size());
  return copy;
}

DibHandle ConvertedCopy(HGLOBAL dib, int (*convert)(HGLOBAL* handle)) {
  DibHandle copy;
  {
    LockedBlock block(dib);
    if (!block) return copy;
    copy.reset(CPics::CopyDIB(block.data()));
  }
  if (!copy || !convert(copy.address())) return DibHandle();
  return copy;
}

BITMAPINFOHEADER DibHeader(std::int32_t width, std::int32_t height, int bits) {
  BITMAPINFOHEADER header{};
  header.biSize = kDibHeaderSize;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = static_cast<WORD>(bits);
  return header;
}

void WriteDibHeader(BYTE* dib, std::int32_t width, std::int32_t height, int bits) {
  const BITMAPINFOHEADER header = DibHeader(width, height, bits);
  std::memcpy(dib, &header, sizeof header);
}

std::uint64_t PackedDibSize(const void* dib) {
  const int width = CPics::DIBWidth(dib);
  const int height = CPics::DIBHeight(dib);
  if (width < 0 || height < 0 || CPics::DIBNumberOfColors(dib) < 0) return 0;
  return std::uint64_t(CPics::DIBHeaderSize(dib)) + CPics::DIBPaletteSize(dib) +
         RowStride(width, CPics::DIBBitsPerPixel(dib)) * std::uint64_t(height);
}

bool DibFitsBlock(const void* dib, std::size_t blockSize) {
  if (dib == nullptr || blockSize < 4) return false;
  const DWORD word = ReadU32(dib, 0);
  const std::size_t header = word == 40 || word == 108 ? word : 12;
  if (blockSize < header) return false;
  const std::uint64_t size = PackedDibSize(dib);
  return size != 0 && size <= blockSize;
}

bool IsPictureDib(const void* dib, std::size_t blockSize) {
  if (!DibFitsBlock(dib, blockSize)) return false;
  const int width = CPics::DIBWidth(dib), height = CPics::DIBHeight(dib);
  const int bits = CPics::DIBBitsPerPixel(dib), colors = CPics::DIBNumberOfColors(dib);
  const bool knownDepth =
      bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
  return width >= 1 && width <= 32767 && height >= 1 && height <= 32767 &&
         CPics::DIBBitPlanes(dib) == 1 && knownDepth && colors >= 0 && colors <= 256;
}

}  // namespace graphics
