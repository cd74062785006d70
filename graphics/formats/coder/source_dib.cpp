#include "graphics/formats/coder/source_dib.h"

#include <utility>

#include "graphics/core/dib_block.h"

namespace graphics {

SourceDib::SourceDib(HGLOBAL dib) { View(dib); }

SourceDib::~SourceDib() { Release(); }

void SourceDib::Release() {
  if (m_locked != nullptr) GlobalUnlock(m_locked);
  m_locked = nullptr;
  m_data = m_pixels = nullptr;
}

bool SourceDib::View(HGLOBAL block) {
  Release();
  auto* data = static_cast<const BYTE*>(GlobalLock(block));
  if (data == nullptr) return false;
  m_locked = block;
  const int width = CPics::DIBWidth(data), height = CPics::DIBHeight(data);
  const int colors = CPics::DIBNumberOfColors(data);
  if (!DibFitsBlock(data, GlobalSize(block)) || width <= 0 || height <= 0 || colors > 256) {
    Release();
    return false;
  }
  m_data = data;
  m_width = width;
  m_height = height;
  m_bits = CPics::DIBBitsPerPixel(data);
  m_stride = CPics::DIBByteWidth(data);
  m_pixels = CPics::DIBImagePtr(data);
  m_colors = m_bits <= 8 ? colors : 0;
  m_palette.fill(0);
  if (m_bits <= 8) CPics::DIBGetPalette(data, m_palette.data());
  return true;
}

bool SourceDib::ReduceTo8Bits() {
  if (!valid()) return false;
  DibHandle copy = ConvertedCopy(m_locked, &CPics::ConvertTo8BPP);
  return copy && ViewCopy(std::move(copy)) && m_bits == 8;
}

bool SourceDib::ExpandTo24Bits() {
  if (!valid()) return false;
  DibHandle copy(CPics::ConvertDIBFormat(reinterpret_cast<BITMAPINFO*>(const_cast<BYTE*>(m_data)),
                                         unsigned(m_width), unsigned(m_height), 24, 0));
  return copy && ViewCopy(std::move(copy)) && m_bits == 24;
}

bool SourceDib::ViewCopy(DibHandle copy) {
  Release();  // the view may be of the previous copy
  m_copy = std::move(copy);
  return View(m_copy.get());
}

void SourceDib::Indexes(int y, BYTE* out) const {
  const BYTE* row = Row(y);
  switch (m_bits) {
    case 8:
      for (int x = 0; x < m_width; ++x) out[x] = row[x];
      break;
    case 4:
      for (int x = 0; x < m_width; ++x) out[x] = BYTE(x % 2 ? row[x / 2] & 0x0F : row[x / 2] >> 4);
      break;
    case 2:
      for (int x = 0; x < m_width; ++x) out[x] = BYTE((row[x / 4] >> (6 - 2 * (x % 4))) & 3);
      break;
    case 1:
      for (int x = 0; x < m_width; ++x) out[x] = BYTE((row[x / 8] >> (7 - x % 8)) & 1);
      break;
    default:
      for (int x = 0; x < m_width; ++x) out[x] = 0;
      break;
  }
}

int SourceDib::GreyOfEntry(int i) const {
  const BYTE* c = &m_palette[3 * std::size_t(i & 0xFF)];
  return (30 * c[0] + 59 * c[1] + 11 * c[2]) / 100;
}

}  // namespace graphics
