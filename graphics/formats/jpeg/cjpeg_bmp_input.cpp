#include "graphics/formats/jpeg/cjpeg_bmp_input.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "graphics/core/dib_block.h"
#include "graphics/formats/bmp/bmp_reader.h"

namespace graphics {

BmpInput::~BmpInput() {
  if (m_data != nullptr) GlobalUnlock(m_dib);
}

bool BmpInput::Read(CFile& file, std::string* error) {
  BmpReadResult read = ReadBmpFile(file);
  if (!read.dib) {
    *error = "not a BMP file this program can read (or a damaged one)";
    return false;
  }
  m_owned = std::move(read.dib);
  m_dib = m_owned.get();
  return Adopt(error);
}

bool BmpInput::Takes(HGLOBAL dib) {
  LockedBlock block(dib);
  if (!block || !DibFitsBlock(block.data(), block.size())) return false;
  const DWORD header = CPics::DIBHeaderSize(block.data());
  const int bits = CPics::DIBBitsPerPixel(block.data());
  DWORD compression = BI_RGB;
  if (header >= 40) std::memcpy(&compression, block.data() + 16, 4);
  return (header == 12 || header == 40 || header == 108) && compression == BI_RGB &&
         (bits == 1 || bits == 4 || bits == 8 || bits == 24);
}

bool BmpInput::Use(HGLOBAL dib, std::string* error) {
  if (!Takes(dib)) {
    *error = "not a picture this program can read";
    return false;
  }
  m_dib = dib;
  return Adopt(error);
}

bool BmpInput::Adopt(std::string* error) {
  m_data = static_cast<const BYTE*>(GlobalLock(m_dib));
  if (m_data == nullptr || !DibFitsBlock(m_data, GlobalSize(m_dib))) {
    *error = "BMP file could not be held in memory";
    return false;
  }
  m_width = CPics::DIBWidth(m_data);
  m_height = CPics::DIBHeight(m_data);
  m_bits = CPics::DIBBitsPerPixel(m_data);
  m_stride = CPics::DIBByteWidth(m_data);
  m_pixels = CPics::DIBImagePtr(m_data);
  if (m_bits != 1 && m_bits != 4 && m_bits != 8 && m_bits != 24) {
    *error = "BMP files of " + std::to_string(m_bits) + " bits per pixel are not read";
    return false;
  }
  const DWORD headerSize = CPics::DIBHeaderSize(m_data);
  if (headerSize >= 40) {
    std::int32_t x, y;
    std::memcpy(&x, m_data + 24, 4);
    std::memcpy(&y, m_data + 28, 4);
    if (x > 0 && y > 0) {
      m_xPerMetre = static_cast<std::uint32_t>(x);
      m_yPerMetre = static_cast<std::uint32_t>(y);
    }
  }
  if (m_bits <= 8) {
    // Indices past the colour table read as black, like the table's zero padding.
    std::uint8_t rgb[256 * 3] = {};
    CPics::DIBGetPalette(m_data, rgb);
    const int colours = std::min(CPics::DIBNumberOfColors(m_data), 256);
    m_grey = true;
    for (int i = 0; i < 256; ++i) {
      std::memcpy(m_palette[i], rgb + 3 * i, 3);
      if (i < colours && (rgb[3 * i] != rgb[3 * i + 1] || rgb[3 * i] != rgb[3 * i + 2]))
        m_grey = false;
    }
  }
  return true;
}

void BmpInput::GetRow(int y, std::uint8_t* out) const {
  const BYTE* row = m_pixels + std::size_t(m_height - 1 - y) * m_stride;
  if (m_bits == 24) {
    for (int x = 0; x < m_width; ++x, row += 3, out += 3) {
      out[0] = row[2];
      out[1] = row[1];
      out[2] = row[0];
    }
    return;
  }
  const int perByte = 8 / m_bits;
  const int mask = (1 << m_bits) - 1;
  for (int x = 0; x < m_width; ++x) {
    const int shift = (perByte - 1 - x % perByte) * m_bits;
    const int index = (row[x / perByte] >> shift) & mask;
    if (m_grey) {
      *out++ = m_palette[index][0];
    } else {
      std::memcpy(out, m_palette[index], 3);
      out += 3;
    }
  }
}

}  // namespace graphics
