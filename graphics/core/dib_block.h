// Helpers for DIBs held in movable memory blocks: an owning handle, a scoped lock, the
// packed layout (header, colour table, rows) and the size checks that every operation
// on a caller's handle makes before touching pixels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Pics.h"

namespace graphics {

// Owns a movable memory block and frees it when dropped, unless release() hands it on
// (to a picture object or a caller of the exported functions, which take raw handles).
class DibHandle {
 public:
  DibHandle() = default;
  explicit DibHandle(HGLOBAL handle) : m_handle(handle) {}
  // A zero-filled block; empty when the size is absurd or memory cannot be had.
  static DibHandle Allocate(std::uint64_t bytes);
  ~DibHandle() { reset(); }
  DibHandle(DibHandle&& other) noexcept : m_handle(other.release()) {}
  DibHandle& operator=(DibHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  DibHandle(const DibHandle&) = delete;
  DibHandle& operator=(const DibHandle&) = delete;

  explicit operator bool() const { return m_handle != nullptr; }
  HGLOBAL get() const { return m_handle; }
  // For the in-place conversions (ConvertTo24BPP and the like), which take the
  // handle's address and may swap in a new block, freeing the old one.
  HGLOBAL* address() { return &m_handle; }
  [[nodiscard]] HGLOBAL release() {
    HGLOBAL handle = m_handle;
    m_handle = nullptr;
    return handle;
  }
  void reset(HGLOBAL handle = nullptr) {
    if (m_handle != nullptr && m_handle != handle) GlobalFree(m_handle);
    m_handle = handle;
  }

 private:
  HGLOBAL m_handle = nullptr;
};

// Puts fresh into a raw handle slot that an exported object keeps (its m_hDIB and the
// like), freeing what the slot held before.
inline void ReplaceDib(HGLOBAL& slot, DibHandle fresh) {
  if (slot != fresh.get()) DibHandle old(slot);
  slot = fresh.release();
}
// Frees what the slot holds and leaves it null.
inline void FreeDib(HGLOBAL& slot) { ReplaceDib(slot, DibHandle()); }

// A private copy of a whole block (all its bytes, whatever its header says); empty
// when the block cannot be locked or no memory is left.
DibHandle CopyOfBlock(HGLOBAL source);

// A copy of dib run through one of the in-place conversions (CPics::ConvertTo8BPP,
// ConvertTo24BPP); empty when the copy or the conversion fails. The original stays.
DibHandle ConvertedCopy(HGLOBAL dib, int (*convert)(HGLOBAL* handle));

// The packed DIBs the library makes: a 40-byte header, 4-byte colour-table entries for
// depths up to 8 bits (2, 16 or 256 of them), then the rows.
constexpr std::uint32_t kDibHeaderSize = 40;
constexpr std::uint32_t DibColorTableSize(int bits) {
  return bits >= 1 && bits <= 8 ? 4u << bits : 0u;
}
constexpr std::uint32_t DibPixelOffset(int bits) {
  return kDibHeaderSize + DibColorTableSize(bits);
}
static_assert(DibPixelOffset(8) == 1064 && DibPixelOffset(24) == 40);

// The header of such a DIB: size 40, the sides, one plane, the depth, every other field 0.
BITMAPINFOHEADER DibHeader(std::int32_t width, std::int32_t height, int bits);
// Writes DibHeader(...) at dib, which must have room for 40 bytes.
void WriteDibHeader(BYTE* dib, std::int32_t width, std::int32_t height, int bits);

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
