// A picture's DIB as the PCX, TGA and XBM writers read it: locked, checked against
// its block, rows addressed from the top, and converted on a private copy when the
// writer needs another depth (the picture itself is never changed by a save).
#pragma once

#include <array>
#include <cstdint>

#include "Pics.h"
#include "graphics/core/dib_block.h"

namespace graphics {

class SourceDib {
 public:
  explicit SourceDib(HGLOBAL dib);
  ~SourceDib();
  SourceDib(const SourceDib&) = delete;
  SourceDib& operator=(const SourceDib&) = delete;

  // False when there is no DIB or its header promises more than its block holds.
  bool valid() const { return m_data != nullptr; }

  // Replaces the view by a 256-colour copy (median cut for true colour).
  bool ReduceTo8Bits();
  // Replaces the view by a 24-bit copy (for 16- and 32-bit DIBs).
  bool ExpandTo24Bits();

  int width() const { return m_width; }
  int height() const { return m_height; }
  int bits() const { return m_bits; }
  // Stored bytes of one row.
  std::uint32_t stride() const { return m_stride; }
  // Row y counted from the top of the picture.
  const BYTE* Row(int y) const { return m_pixels + std::size_t(m_height - 1 - y) * m_stride; }
  // The colour table as red, green, blue triplets (zeros past its end), and its length.
  const std::array<BYTE, 768>& palette() const { return m_palette; }
  int colors() const { return m_colors; }
  // One palette index a byte for row y of a picture of up to 8 bits.
  void Indexes(int y, BYTE* out) const;
  // Grey level of palette entry i.
  int GreyOfEntry(int i) const;

 private:
  bool View(HGLOBAL block);
  void Release();

  // Views a converted copy in place of what was viewed.
  bool ViewCopy(DibHandle copy);

  DibHandle m_copy;  // set when a conversion was made
  HGLOBAL m_locked = nullptr;
  const BYTE* m_data = nullptr;
  const BYTE* m_pixels = nullptr;
  int m_width = 0, m_height = 0, m_bits = 0, m_colors = 0;
  std::uint32_t m_stride = 0;
  std::array<BYTE, 768> m_palette{};
};

}  // namespace graphics
