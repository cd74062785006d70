// Small packed DIBs for the processing tests, built and read byte by byte
// independently of the code under test.
#pragma once

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "Pics.h"
#include "graphics/core/depth/standard_color_table.h"

namespace processing_test {

using graphics::RgbColor;

// Owns a DIB handle for the length of a test.
class Dib {
 public:
  Dib() = default;
  explicit Dib(HGLOBAL h) : h_(h) {}
  ~Dib() {
    if (h_) GlobalFree(h_);
  }
  Dib(const Dib&) = delete;
  Dib& operator=(const Dib&) = delete;
  Dib(Dib&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  HGLOBAL* slot() { return &h_; }  // for operations that replace the block
  HGLOBAL get() const { return h_; }
  HGLOBAL release() { return std::exchange(h_, nullptr); }

 private:
  HGLOBAL h_ = nullptr;
};

inline uint32_t Stride(int width, int bits) { return uint32_t((width * bits + 31) / 32 * 4); }

inline void Put32(BYTE* p, uint32_t v) { std::memcpy(p, &v, 4); }
inline void Put16(BYTE* p, uint16_t v) { std::memcpy(p, &v, 2); }
inline uint32_t Get32(const BYTE* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline uint16_t Get16(const BYTE* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

// A DIB with a 40-byte (or 12-byte core) header, the given palette and zero pixels.
inline HGLOBAL MakeDib(int width, int height, int bits, const std::vector<RgbColor>& palette = {},
                       bool coreHeader = false, uint32_t colorsUsed = 0) {
  const uint32_t header = coreHeader ? 12 : 40, entry = coreHeader ? 3 : 4;
  const size_t size = header + palette.size() * entry + size_t(Stride(width, bits)) * height;
  HGLOBAL h = GlobalAlloc(GHND, size);
  BYTE* p = static_cast<BYTE*>(GlobalLock(h));
  Put32(p, header);
  if (coreHeader) {
    Put16(p + 4, uint16_t(width)), Put16(p + 6, uint16_t(height)), Put16(p + 8, 1),
        Put16(p + 10, uint16_t(bits));
  } else {
    Put32(p + 4, uint32_t(width)), Put32(p + 8, uint32_t(height)), Put16(p + 12, 1),
        Put16(p + 14, uint16_t(bits));
    Put32(p + 32, colorsUsed);
  }
  for (size_t i = 0; i < palette.size(); ++i) {
    BYTE* e = p + header + i * entry;
    e[0] = palette[i].blue, e[1] = palette[i].green, e[2] = palette[i].red;
  }
  GlobalUnlock(h);
  return h;
}

struct View {
  explicit View(HGLOBAL h) : h(h), p(static_cast<BYTE*>(GlobalLock(h))) {}
  ~View() { GlobalUnlock(h); }
  uint32_t headerSize() const {
    return Get32(p) == 12 ? 12 : Get32(p) == 108 ? 108 : Get32(p) == 40 ? 40 : 12;
  }
  bool core() const { return headerSize() == 12; }
  int width() const { return core() ? Get16(p + 4) : int(Get32(p + 4)); }
  int height() const { return core() ? Get16(p + 6) : int(Get32(p + 8)); }
  int bits() const { return core() ? Get16(p + 10) : Get16(p + 14); }
  uint32_t colors() const {
    if (!core() && Get32(p + 32)) return Get32(p + 32);
    return bits() == 1 ? 2 : bits() == 4 ? 16 : bits() == 8 ? 256 : 0;
  }
  uint32_t entrySize() const { return core() ? 3 : 4; }
  RgbColor entry(uint32_t i) const {
    const BYTE* e = p + headerSize() + i * entrySize();
    return {e[2], e[1], e[0]};
  }
  BYTE* row(int y) const {  // picture row, top first
    return p + headerSize() + colors() * entrySize() +
           size_t(Stride(width(), bits())) * (height() - 1 - y);
  }
  int index(int x, int y) const {
    const int b = bits();
    if (b == 8) return row(y)[x];
    const int per = 8 / b, shift = (per - 1 - x % per) * b;
    return (row(y)[x / per] >> shift) & ((1 << b) - 1);
  }
  void setIndex(int x, int y, int v) const {
    const int b = bits();
    if (b == 8) {
      row(y)[x] = BYTE(v);
      return;
    }
    const int per = 8 / b, shift = (per - 1 - x % per) * b;
    BYTE& byte = row(y)[x / per];
    byte = BYTE((byte & ~(((1 << b) - 1) << shift)) | (v << shift));
  }
  RgbColor rgb(int x, int y) const {
    if (bits() == 24) {
      const BYTE* q = row(y) + 3 * x;
      return {q[2], q[1], q[0]};
    }
    return entry(uint32_t(index(x, y)));
  }
  void setRgb(int x, int y, RgbColor c) const {
    BYTE* q = row(y) + 3 * x;
    q[0] = c.blue, q[1] = c.green, q[2] = c.red;
  }

  HGLOBAL h;
  BYTE* p;
};

// A 24-bit picture filled by f(x, y).
template <typename F>
HGLOBAL MakeTrueColor(int width, int height, F f) {
  HGLOBAL h = MakeDib(width, height, 24);
  View v(h);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) v.setRgb(x, y, f(x, y));
  return h;
}

}  // namespace processing_test
