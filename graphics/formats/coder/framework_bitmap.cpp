#include "graphics/formats/coder/framework_bitmap.h"

#include <cstring>
#include <new>

#include "graphics/core/dib_block.h"

namespace graphics {

GRAPHICS_RUNTIME_CLASS(CWinBmp)

namespace {
// Sides beyond this cannot become a picture object anyway.
constexpr int kMaxSide = 32767;
}  // namespace

void CBmp::Create(int width, int height, int bitsPerPixel, bool hasAlpha) {
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
      (bitsPerPixel != 8 && bitsPerPixel != 32))
    throw CTextException(DecoderErrNoMemory, "Decoder error: Bitmap size out of range.\n");
  FreeMembers();
  InternalCreate(width, height, bitsPerPixel, hasAlpha);
}

void CBmp::CreateCopy(const CBmp& source, int bitsPerPixel) {
  const int depth = bitsPerPixel == 0 ? source.m_bitsPerPixel : bitsPerPixel;
  Create(source.m_width, source.m_height, depth, source.m_hasAlpha);
  for (int y = 0; y < m_height; ++y) {
    const BYTE* from = source.m_lines[y];
    BYTE* to = m_lines[y];
    if (depth == source.m_bitsPerPixel) {
      std::memcpy(to, from, std::size_t(m_width) * depth / 8);
    } else if (source.m_bitsPerPixel == 8) {  // 8 to 32 bits through the palette
      for (int x = 0; x < m_width; ++x) std::memcpy(to + 4 * x, &source.m_palette[from[x]], 4);
    } else {  // 32 to 8 bits: grey levels
      for (int x = 0; x < m_width; ++x) {
        const BYTE* p = from + 4 * x;
        to[x] = BYTE((30 * p[2] + 59 * p[1] + 11 * p[0]) / 100);
      }
    }
  }
  if (depth == 8 && source.m_bitsPerPixel == 8)
    SetPalette(source.m_palette);
  else if (depth == 8)
    SetGreyPalette();
}

void CBmp::SetPalette(const RGBQUAD* entries) {
  if (m_palette != nullptr && entries != nullptr)
    std::memcpy(m_palette, entries, 256 * sizeof(RGBQUAD));
}

void CBmp::SetGreyPalette() {
  if (m_palette == nullptr) return;
  const int entries = 1 << m_bitsPerPixel;
  for (int i = 0; i < entries; ++i) {
    const BYTE level = BYTE(i * (256 / entries));
    m_palette[i] = RGBQUAD{level, level, level, 255};
  }
}

void CBmp::SetAlphaChannel(const CBmp& alpha) {
  if (m_bitsPerPixel != 32 || alpha.m_bitsPerPixel != 8 || alpha.m_width != m_width ||
      alpha.m_height != m_height)
    return;
  for (int y = 0; y < m_height; ++y)
    for (int x = 0; x < m_width; ++x) m_lines[y][4 * x + 3] = alpha.m_lines[y][x];
  m_hasAlpha = true;
}

CWinBmp::CWinBmp() { Create(16, 16, 8, false); }

CWinBmp::~CWinBmp() = default;

std::size_t CWinBmp::GetBytesPerLine() const {
  return static_cast<std::size_t>(
      FrameworkLineBytes(std::uint64_t(m_width), unsigned(m_bitsPerPixel)));
}

std::size_t CWinBmp::GetMemUsed() const { return m_dib.size() + 36; }

void CWinBmp::InternalCreate(int width, int height, int bitsPerPixel, bool hasAlpha) {
  const std::uint64_t paletteBytes = bitsPerPixel < 16 ? 4ull << bitsPerPixel : 0;
  const std::uint64_t bytes =
      kDibHeaderSize + paletteBytes +
      FrameworkLineBytes(std::uint64_t(width), unsigned(bitsPerPixel)) * std::uint64_t(height);
  try {
    m_dib.assign(static_cast<std::size_t>(bytes), 0);
  } catch (const std::bad_alloc&) {
    throw CTextException(DecoderErrNoMemory, "Decoder error: Out of memory allocating bitmap.\n");
  }
  m_width = width;
  m_height = height;
  m_bitsPerPixel = static_cast<std::int16_t>(bitsPerPixel);
  m_hasAlpha = hasAlpha;
  WriteDibHeader(m_dib.data(), width, height, bitsPerPixel);
  m_palette =
      paletteBytes != 0 ? reinterpret_cast<RGBQUAD*>(m_dib.data() + kDibHeaderSize) : nullptr;
  m_bits = m_dib.data() + kDibHeaderSize + paletteBytes;
  InitLineArray();
}

void CWinBmp::FreeMembers() {
  m_lines.reset();
  std::vector<BYTE>().swap(m_dib);
  m_palette = nullptr;
  m_bits = nullptr;
}

void CWinBmp::InitLineArray() {
  m_lines = std::make_unique<BYTE*[]>(std::size_t(m_height));
  const std::size_t stride = GetBytesPerLine();
  for (int i = 0; i < m_height; ++i) m_lines[i] = m_bits + std::size_t(m_height - 1 - i) * stride;
}

}  // namespace graphics
