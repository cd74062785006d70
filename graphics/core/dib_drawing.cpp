#include "graphics/core/dib_drawing.h"

#include <cstring>

#include "graphics/platform/block_transfer.h"

namespace graphics {

DrawableDib::DrawableDib(HGLOBAL handle) : m_block(handle) {
  if (!m_block || m_block.size() < 12 || !IsPictureDib(m_block.data(), m_block.size())) return;
  // Headers of unknown length are read as core headers elsewhere; refuse them here.
  DWORD headerWord = 0;
  std::memcpy(&headerWord, m_block.data(), sizeof headerWord);
  if (headerWord != CPics::DIBHeaderSize(m_block.data())) return;
  m_width = CPics::DIBWidth(m_block.data());
  m_height = CPics::DIBHeight(m_block.data());
  m_valid = m_width > 0 && m_height > 0;
}

bool StretchDibPart(HDC dc, const DrawRect& dest, const void* dib, const DrawRect& sourcePart) {
  if (dc == nullptr || dib == nullptr) return false;
  return StretchDibInto(
      *dc, Rect64{dest.left, dest.top, dest.width(), dest.height()},
      Rect64{sourcePart.left, sourcePart.top, sourcePart.width(), sourcePart.height()},
      CPics::DIBImagePtr(dib), static_cast<const BITMAPINFO*>(dib), SRCCOPY);
}

bool StretchWholeDib(HDC dc, const DrawRect& dest, const DrawableDib& dib) {
  return dib.valid() &&
         StretchDibPart(dc, dest, dib.dib(), DrawRect{0, 0, dib.width(), dib.height()});
}

}  // namespace graphics
