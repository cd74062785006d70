// Helpers for DIBs held in movable memory blocks: a scoped lock and the size checks
// that every operation on a caller's handle makes before touching pixels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Pics.h"

namespace graphics {

// Locks a block for the lifetime of the object.
class LockedBlock {
 public:
  explicit LockedBlock(HGLOBAL handle)
      : m_handle(handle), m_data(static_cast<BYTE*>(GlobalLock(handle))) {}
  ~LockedBlock() {
    if (m_data != nullptr) GlobalUnlock(m_handle);
  }
  LockedBlock(const LockedBlock&) = delete;
  LockedBlock& operator=(const LockedBlock&) = delete;

  explicit operator bool() const { return m_data != nullptr; }
  BYTE* data() const { return m_data; }
  std::size_t size() const { return GlobalSize(m_handle); }

 private:
  HGLOBAL m_handle;
  BYTE* m_data;
};

// Bytes of a packed DIB: header + colour table + rows, in 64 bits. 0 when the header
// gives a negative width or height.
std::uint64_t PackedDibSize(const void* dib);

// True when a block of blockSize bytes holds the whole packed DIB it starts with.
bool DibFitsBlock(const void* dib, std::size_t blockSize);

// True when a caller's DIB can become a picture: it fits its block, its sides are 1
// to 32767 pixels, it has one plane, a known depth and at most 256 colours.
bool IsPictureDib(const void* dib, std::size_t blockSize);

// Row stride of the pixel-access formula ((width x bits + 31) / 32 x 4), in 64 bits.
constexpr std::uint64_t RowStride(std::int64_t width, int bits) {
  return width <= 0 || bits <= 0 ? 0 : ((std::uint64_t(width) * unsigned(bits) + 31) / 32) * 4;
}

}  // namespace graphics
