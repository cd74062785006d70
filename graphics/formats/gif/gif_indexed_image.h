// The picture the GIF writer works from: one colour index a pixel, a colour table of
// up to 256 entries, an optional transparent index and the interlace choice.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "Pics.h"

namespace graphics {

class GifIndexedImage {
 public:
  static constexpr int kMaxColors = 256;

  // A zero-filled width x height image without colours (no transparency, no
  // interlace). False when a side lies outside 1..65535 or memory is short.
  bool Create(int width, int height);
  // Gives the pixels back; the object is then as if never created.
  void Destroy();

  int width() const { return m_width; }
  int height() const { return m_height; }
  int colors() const { return m_colors; }  // entries in use, free ones included

  // Takes the first free entry, else appends one; -1 when all 256 are taken.
  int AllocateColor(BYTE red, BYTE green, BYTE blue);
  // Frees an entry for a later AllocateColor.
  void FreeColor(int index);
  // The first entry in use with exactly these values, or -1.
  int ExactColor(BYTE red, BYTE green, BYTE blue) const;
  BYTE red(int index) const { return m_red[std::size_t(index & 0xFF)]; }
  BYTE green(int index) const { return m_green[std::size_t(index & 0xFF)]; }
  BYTE blue(int index) const { return m_blue[std::size_t(index & 0xFF)]; }

  void SetTransparent(int index) { m_transparent = index; }
  int transparent() const { return m_transparent; }  // -1 for none
  void SetInterlace(bool interlace) { m_interlace = interlace; }
  bool interlaced() const { return m_interlace; }

  // Pixels outside the image are not written, and read as 0.
  void SetPixel(int x, int y, int index);
  int GetPixel(int x, int y) const;
  // Row y (top row 0), width bytes; the rows lie one after another.
  BYTE* Row(int y) { return m_pixels.data() + std::size_t(y) * std::size_t(m_width); }
  const BYTE* Row(int y) const { return m_pixels.data() + std::size_t(y) * std::size_t(m_width); }

 private:
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }

  int m_width = 0;
  int m_height = 0;
  int m_colors = 0;
  std::array<BYTE, kMaxColors> m_red{}, m_green{}, m_blue{};
  std::array<bool, kMaxColors> m_free{};
  int m_transparent = -1;
  bool m_interlace = false;
  std::vector<BYTE> m_pixels;
};

}  // namespace graphics
