// BitmapToDIB: a device bitmap read back as a packed DIB in a new movable block.
#include <cstring>

#include "Pics.h"
#include "graphics/core/dib_block.h"

namespace {

// The screen's context with a palette selected and realised for the read-back; the
// previous palette is put back as a background palette when done.
class ScreenWithPalette {
 public:
  explicit ScreenWithPalette(HPALETTE palette) : m_dc(GetDC(nullptr)) {
    if (m_dc == nullptr) return;
    m_previous = SelectPalette(m_dc, palette, FALSE);
    RealizePalette(m_dc);
  }
  ~ScreenWithPalette() {
    if (m_dc == nullptr) return;
    if (m_previous != nullptr) {
      SelectPalette(m_dc, m_previous, TRUE);
      RealizePalette(m_dc);
    }
    ReleaseDC(nullptr, m_dc);
  }
  ScreenWithPalette(const ScreenWithPalette&) = delete;
  ScreenWithPalette& operator=(const ScreenWithPalette&) = delete;
  HDC dc() const { return m_dc; }

 private:
  HDC m_dc;
  HPALETTE m_previous = nullptr;
};

int DibDepth(int bits) {
  if (bits <= 1) return 1;
  if (bits <= 4) return 4;
  if (bits <= 8) return 8;
  return 24;
}

}  // namespace

HGLOBAL CPics::BitmapToDIB(HBITMAP bitmap, HPALETTE palette, DWORD* size) {
  if (size != nullptr) *size = 0;
  BITMAP description{};
  if (bitmap == nullptr || GetObject(bitmap, sizeof description, &description) == 0) return nullptr;
  if (palette == nullptr) palette = GetDefaultPalette();
  const int depth = DibDepth(description.bmPlanes * description.bmBitsPixel);
  const std::uint64_t colors = depth == 24 ? 0 : std::uint64_t(1) << depth;
  const std::uint64_t headerBytes = graphics::kDibHeaderSize + 4 * colors;
  BITMAPINFOHEADER header = graphics::DibHeader(description.bmWidth, description.bmHeight, depth);

  ScreenWithPalette screen(palette);
  if (screen.dc() == nullptr) return nullptr;
  graphics::DibHandle block = graphics::DibHandle::Allocate(headerBytes);
  if (!block) return nullptr;
  {
    graphics::LockedBlock locked(block.get());
    std::memcpy(locked.data(), &header, sizeof header);
    auto* info = reinterpret_cast<BITMAPINFO*>(locked.data());
    if (GetDIBits(screen.dc(), bitmap, 0, UINT(header.biHeight), nullptr, info, DIB_RGB_COLORS) ==
        0)
      return nullptr;
    std::memcpy(&header, locked.data(), sizeof header);
  }
  if (header.biSizeImage == 0)
    header.biSizeImage =
        DWORD(graphics::RowStride(header.biWidth, depth) * std::uint64_t(header.biHeight));
  const std::uint64_t total = headerBytes + header.biSizeImage;
  HGLOBAL grown = GlobalReAlloc(block.get(), total, GHND);
  if (grown == nullptr) return nullptr;
  (void)block.release();  // the re-allocated block replaces it
  block.reset(grown);
  bool filled;
  {
    graphics::LockedBlock locked(block.get());
    auto* info = reinterpret_cast<BITMAPINFO*>(locked.data());
    std::memcpy(info, &header, sizeof header);
    filled = GetDIBits(screen.dc(), bitmap, 0, UINT(header.biHeight), locked.data() + headerBytes,
                       info, DIB_RGB_COLORS) == header.biHeight;
  }
  if (!filled) return nullptr;
  if (size != nullptr) *size = DWORD(total);
  return block.release();
}
