#include "graphics/formats/coder/dib_section_bitmap.h"

#include <cstring>
#include <new>

#include "graphics/core/dib_block.h"

namespace graphics {

GRAPHICS_RUNTIME_CLASS(CDIBSection)
GRAPHICS_RUNTIME_CLASS(CDrawDibBmp)

CDIBSection::CDIBSection() { Create(16, 16, 8, false); }

CDIBSection::~CDIBSection() { CDIBSection::FreeMembers(); }

std::size_t CDIBSection::GetMemUsed() const {
  return m_header.size() + GetBytesPerLine() * std::size_t(m_height) + 36;
}

void CDIBSection::InternalCreate(int width, int height, int bitsPerPixel, bool hasAlpha) {
  const std::size_t paletteBytes = bitsPerPixel < 16 ? std::size_t(4) << bitsPerPixel : 0;
  try {
    m_header.assign(kDibHeaderSize + paletteBytes, 0);
  } catch (const std::bad_alloc&) {
    throw CTextException(DecoderErrNoMemory,
                         "Decoder error: Out of memory allocating bitmap header.\n");
  }
  WriteDibHeader(m_header.data(), width, height, bitsPerPixel);
  void* bits = nullptr;
  m_section = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(m_header.data()),
                               DIB_RGB_COLORS, &bits, nullptr, 0);
  if (m_section == nullptr || bits == nullptr) {
    m_header.clear();
    throw CTextException(DecoderErrNoMemory, "Decoder error: Out of memory allocating bitmap.\n");
  }
  m_width = width;
  m_height = height;
  m_bitsPerPixel = static_cast<std::int16_t>(bitsPerPixel);
  m_hasAlpha = hasAlpha;
  m_palette =
      paletteBytes != 0 ? reinterpret_cast<RGBQUAD*>(m_header.data() + kDibHeaderSize) : nullptr;
  m_bits = static_cast<BYTE*>(bits);
  InitLineArray();
}

void CDIBSection::FreeMembers() {
  m_lines.reset();
  if (m_section != nullptr) DeleteObject(m_section);
  m_section = nullptr;
  m_header.clear();
  m_palette = nullptr;
  m_bits = nullptr;
}

void CDIBSection::SyncColorTable(HDC memoryDc) const {
  if (m_palette != nullptr) SetDIBColorTable(memoryDc, 0, UINT(1) << m_bitsPerPixel, m_palette);
}

bool CDIBSection::Draw(HDC dc, int x, int y, DWORD rop) {
  if (m_section == nullptr || dc == nullptr) return false;
  HDC memory = CreateCompatibleDC(dc);
  if (memory == nullptr) return false;
  HBITMAP previous = SelectObject(memory, m_section);
  bool drawn = false;
  if (previous != nullptr) {
    SyncColorTable(memory);
    drawn = BitBlt(dc, x, y, m_width, m_height, memory, 0, 0, rop) != 0;
    SelectObject(memory, previous);
  }
  DeleteDC(memory);
  return drawn;
}

CDrawDibBmp::CDrawDibBmp() = default;

CDrawDibBmp::~CDrawDibBmp() { CDrawDibBmp::FreeMembers(); }

void CDrawDibBmp::FreeMembers() {
  if (m_paletteObject != nullptr) DeleteObject(m_paletteObject);
  m_paletteObject = nullptr;
  CDIBSection::FreeMembers();
}

HPALETTE CDrawDibBmp::GetPaletteObject() {
  if (m_paletteObject != nullptr) return m_paletteObject;
  if (m_palette == nullptr) {
    m_paletteObject = CPics::CreateStandardPalettes();
    return m_paletteObject;
  }
  const int entries = 1 << m_bitsPerPixel;
  std::vector<BYTE> storage(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * std::size_t(entries));
  auto* description = reinterpret_cast<LOGPALETTE*>(storage.data());
  description->palVersion = 0x300;
  description->palNumEntries = WORD(entries);
  for (int i = 0; i < entries; ++i)
    description->palPalEntry[i] =
        PALETTEENTRY{m_palette[i].rgbRed, m_palette[i].rgbGreen, m_palette[i].rgbBlue, 0};
  m_paletteObject = CreatePalette(description);
  return m_paletteObject;
}

bool CDrawDibBmp::StretchDraw(HDC dc, const RECT* dest, const RECT* source, HPALETTE palette,
                              bool background) {
  if (m_bits == nullptr || dc == nullptr) return false;
  const RECT whole{0, 0, m_width, m_height};
  const RECT from = source != nullptr ? *source : whole;
  const RECT to = dest != nullptr ? *dest : from;
  HPALETTE chosen = palette != nullptr ? palette : GetPaletteObject();
  HPALETTE previous =
      chosen != nullptr ? SelectPalette(dc, chosen, background ? TRUE : FALSE) : nullptr;
  if (chosen != nullptr) RealizePalette(dc);
  // Source y of the stretch counts from the bottom row as stored.
  const int sourceHeight = from.bottom - from.top;
  const int lines = StretchDIBits(dc, to.left, to.top, to.right - to.left, to.bottom - to.top,
                                  from.left, m_height - from.bottom, from.right - from.left,
                                  sourceHeight, m_bits, Info(), DIB_RGB_COLORS, SRCCOPY);
  if (previous != nullptr) SelectPalette(dc, previous, FALSE);
  return lines > 0;
}

}  // namespace graphics
