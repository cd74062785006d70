// BMP input of the compression front end: the file read into a DIB (with every size
// checked), then handed out as top-down rows of grey levels or RGB triples. A
// colour-mapped picture whose colour table is all greys is read as grey.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Pics.h"
#include "graphics/core/dib_block.h"

namespace graphics {

class BmpInput {
 public:
  BmpInput() = default;
  BmpInput(const BmpInput&) = delete;
  BmpInput& operator=(const BmpInput&) = delete;
  ~BmpInput();

  // Reads the whole file; false (with the reason in *error) for a file that is not a
  // BMP file this reader takes.
  bool Read(CFile& file, std::string* error);
  // Reads a DIB in memory (borrowed, locked while this object lives), one that Takes.
  bool Use(HGLOBAL dib, std::string* error);
  // A DIB whose BMP file reads back as the very same DIB: an uncompressed 1-, 4-, 8-
  // or 24-bit picture with a 12-, 40- or 108-byte header.
  static bool Takes(HGLOBAL dib);

  int Width() const { return m_width; }
  int Height() const { return m_height; }
  bool Grey() const { return m_grey; }
  int Components() const { return m_grey ? 1 : 3; }
  // Pixels per metre from the header, 0 when not given.
  std::uint32_t XPerMetre() const { return m_xPerMetre; }
  std::uint32_t YPerMetre() const { return m_yPerMetre; }

  // Row y (top row 0) of a 24-bit picture as stored (blue, green, red); null for the
  // other depths.
  const std::uint8_t* StoredRow(int y) const {
    return m_bits == 24 ? m_pixels + std::size_t(m_height - 1 - y) * m_stride : nullptr;
  }
  // Fills row y (top row 0) with Width() x Components() samples.
  void GetRow(int y, std::uint8_t* out) const;

 private:
  bool Adopt(std::string* error);

  DibHandle m_owned;             // the block read from a file; empty for a caller's block
  HGLOBAL m_dib = nullptr;       // the block the rows come from
  const BYTE* m_data = nullptr;  // the locked DIB
  const BYTE* m_pixels = nullptr;
  int m_width = 0, m_height = 0, m_bits = 0;
  std::uint32_t m_stride = 0;
  bool m_grey = false;
  std::uint8_t m_palette[256][3] = {};
  std::uint32_t m_xPerMetre = 0, m_yPerMetre = 0;
};

}  // namespace graphics
