#include "graphics/formats/gif/gif_indexed_image.h"

#include <new>

namespace graphics {

bool GifIndexedImage::Create(int width, int height) {
  Destroy();
  if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF) return false;
  try {
    m_pixels.assign(std::size_t(width) * std::size_t(height), 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  m_width = width;
  m_height = height;
  return true;
}

void GifIndexedImage::Destroy() {
  std::vector<BYTE>().swap(m_pixels);
  m_width = m_height = m_colors = 0;
  m_free.fill(false);
  m_transparent = -1;
  m_interlace = false;
}

int GifIndexedImage::AllocateColor(BYTE red, BYTE green, BYTE blue) {
  int index = -1;
  for (int i = 0; i < m_colors; ++i)
    if (m_free[std::size_t(i)]) {
      index = i;
      break;
    }
  if (index < 0) {
    if (m_colors == kMaxColors) return -1;
    index = m_colors++;
  }
  m_red[std::size_t(index)] = red;
  m_green[std::size_t(index)] = green;
  m_blue[std::size_t(index)] = blue;
  m_free[std::size_t(index)] = false;
  return index;
}

void GifIndexedImage::FreeColor(int index) {
  if (index >= 0 && index < m_colors) m_free[std::size_t(index)] = true;
}

int GifIndexedImage::ExactColor(BYTE red, BYTE green, BYTE blue) const {
  for (int i = 0; i < m_colors; ++i) {
    const std::size_t e = std::size_t(i);
    if (!m_free[e] && m_red[e] == red && m_green[e] == green && m_blue[e] == blue) return i;
  }
  return -1;
}

void GifIndexedImage::SetPixel(int x, int y, int index) {
  if (Inside(x, y)) Row(y)[x] = BYTE(index);
}

int GifIndexedImage::GetPixel(int x, int y) const { return Inside(x, y) ? Row(y)[x] : 0; }

}  // namespace graphics
