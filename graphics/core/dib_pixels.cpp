// Single-pixel access on a DIB handle. Meant for single pixels: each call locks the
// block; whole-picture loops walk the rows through DIBImagePtr instead.
#include <cstring>

#include "Pics.h"
#include "graphics/core/dib_block.h"

namespace {

struct DibFacts {
  int width = 0;
  int height = 0;
  int bits = 0;
};

bool ReadFacts(HGLOBAL hDIB, DibFacts& facts) {
  graphics::LockedBlock dib(hDIB);
  if (!dib || !graphics::DibFitsBlock(dib.data(), dib.size())) return false;
  facts = {CPics::DIBWidth(dib.data()), CPics::DIBHeight(dib.data()),
           CPics::DIBBitsPerPixel(dib.data())};
  return true;
}

bool IsInside(const DibFacts& facts, int x, int y) {
  return x >= 0 && y >= 0 && x < facts.width && y < facts.height;
}

// Address of pixel (x, y), top row 0, in a 24-bit DIB.
BYTE* Pixel24(BYTE* dib, int x, int y, int width, int height) {
  const std::uint64_t stride = graphics::RowStride(width, 24);
  return CPics::DIBImagePtr(dib) + stride * std::uint64_t(height - 1 - y) + std::uint64_t(x) * 3;
}

}  // namespace

int CPics::GetPixel(HGLOBAL hDIB, int x, int y, BYTE* red, BYTE* green, BYTE* blue) {
  DibFacts facts;
  if (!ReadFacts(hDIB, facts) || !IsInside(facts, x, y)) return 0;
  if (facts.bits == 24) {
    graphics::LockedBlock dib(hDIB);
    const BYTE* pixel = Pixel24(dib.data(), x, y, facts.width, facts.height);
    *red = pixel[2];
    *green = pixel[1];
    *blue = pixel[0];
    return 1;
  }
  // Other depths are read from a private 24-bit copy; the caller's DIB stays as it is.
  graphics::DibHandle copy = graphics::CopyOfBlock(hDIB);
  if (!copy) return 0;
  int result = 0;
  if (ConvertTo24BPP(copy.address())) {
    graphics::LockedBlock converted(copy.get());
    if (converted && graphics::DibFitsBlock(converted.data(), converted.size()) &&
        DIBBitsPerPixel(converted.data()) == 24) {
      const BYTE* pixel = Pixel24(converted.data(), x, y, facts.width, facts.height);
      *red = pixel[2];
      *green = pixel[1];
      *blue = pixel[0];
      result = 1;
    }
  }
  return result;
}

int CPics::SetPixel(HGLOBAL hDIB, int x, int y, BYTE red, BYTE green, BYTE blue) {
  DibFacts facts;
  if (!ReadFacts(hDIB, facts) || !IsInside(facts, x, y) || facts.bits != 24) return 0;
  graphics::LockedBlock dib(hDIB);
  BYTE* pixel = Pixel24(dib.data(), x, y, facts.width, facts.height);
  pixel[0] = blue;
  pixel[1] = green;
  pixel[2] = red;
  return 1;
}

int CPics::FillDIB(HGLOBAL hDIB, BYTE red, BYTE green, BYTE blue) {
  DibFacts facts;
  if (!ReadFacts(hDIB, facts) || facts.bits != 24) return 0;
  graphics::LockedBlock dib(hDIB);
  const std::uint64_t stride = graphics::RowStride(facts.width, 24);
  BYTE* row = DIBImagePtr(dib.data());
  for (int y = 0; y < facts.height; ++y, row += stride) {
    BYTE* pixel = row;
    for (int x = 0; x < facts.width; ++x, pixel += 3) {  // the row padding stays as it is
      pixel[0] = blue;
      pixel[1] = green;
      pixel[2] = red;
    }
  }
  return 1;
}
