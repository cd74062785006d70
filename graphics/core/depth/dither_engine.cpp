#include "graphics/core/depth/dither_engine.h"

#include <algorithm>
#include <cstring>

#include "graphics/core/depth/standard_color_table.h"

namespace graphics {
namespace {

inline uint8_t ClampChannel(int v) { return uint8_t(std::clamp(v, 0, 255)); }

}  // namespace

DitherEngine::DitherEngine(uint16_t width, uint16_t height)
    : m_width(width),
      m_height(height),
      m_stride24((3u * width + 3) & ~3u),
      m_stride8((uint32_t(width) + 3) & ~3u) {}

void DitherEngine::ProcessRow(uint8_t* current, uint8_t* next) {
  for (uint32_t x = 0; x < m_width; ++x) {
    uint8_t* px = current + 3 * x;
    const int blue = px[0], green = px[1], red = px[2];
    const int t =
        36 * StandardCubeLevel(red) + 6 * StandardCubeLevel(green) + StandardCubeLevel(blue);
    const RgbColor& chosen = StandardColorTable[t];
    // Arithmetic shift: the quarter rounds towards minus infinity.
    const int err[3] = {(blue - chosen.blue) >> 2, (green - chosen.green) >> 2,
                        (red - chosen.red) >> 2};
    current[x] = uint8_t(t);
    if (next) {
      uint8_t* below = next + 3 * x;
      for (int c = 0; c < 3; ++c) below[c] = ClampChannel(below[c] + err[c]);
    }
    if (x + 1 < m_width) {
      uint8_t* right = current + 3 * (x + 1);
      for (int c = 0; c < 3; ++c) right[c] = ClampChannel(right[c] + 2 * err[c]);
    }
  }
}

void DitherEngine::Dither(const uint8_t* src, uint8_t* dst) {
  if (m_width == 0 || m_height == 0) return;
  std::vector<uint8_t> current(src, src + m_stride24);
  // The last row has no row below it: its error goes right only, so the index
  // written at its first byte is never overwritten by a downward push.
  if (m_height == 1) {
    ProcessRow(current.data(), nullptr);
    std::memcpy(dst, current.data(), m_width);
    return;
  }
  std::vector<uint8_t> next(src + m_stride24, src + 2 * size_t(m_stride24));
  for (uint32_t y = 2; y < m_height; ++y) {
    ProcessRow(current.data(), next.data());
    std::memcpy(dst + size_t(y - 2) * m_stride8, current.data(), m_width);
    current.swap(next);
    std::memcpy(next.data(), src + size_t(y) * m_stride24, m_stride24);
  }
  ProcessRow(current.data(), next.data());
  std::memcpy(dst + size_t(m_height - 2) * m_stride8, current.data(), m_width);
  current.swap(next);
  ProcessRow(current.data(), nullptr);
  std::memcpy(dst + size_t(m_height - 1) * m_stride8, current.data(), m_width);
}

}  // namespace graphics
