// Capture: a rectangle of what a context shows becomes the picture (GetPicture), or a
// new picture object (NewPicture, with the factories).
#include <utility>
#include <algorithm>
#include <memory>
#include <new>

#include "Pics.h"
#include "graphics/core/dib_block.h"
#include "graphics/core/offscreen_surface.h"
#include "graphics/core/palette_util.h"

namespace {

// Colours a capture of this depth needs from the context's palette; -1 for a depth
// that cannot be captured.
int ColorsForDepth(int bits, int planes) {
  switch (bits) {
    case 1:
      return 1 << std::clamp(planes, 0, 8);
    case 2:
      return 4;
    case 4:
      return 16;
    case 8:
      return 256;
    case 16:
    case 24:
    case 32:
      return 0;
    default:
      return -1;
  }
}

struct PaletteDeleter {
  void operator()(PaletteObject* palette) const { DeleteObject(palette); }
};
using OwnedPalette = std::unique_ptr<PaletteObject, PaletteDeleter>;

}  // namespace

int CPics::GetPicture(CDC* dc, RECT rect) {
  if (dc == nullptr || dc->m_hDC == nullptr) return 0;
  HDC device = dc->m_hDC;
  const std::int64_t width = std::int64_t(rect.right) - rect.left;
  const std::int64_t height = std::int64_t(rect.bottom) - rect.top;
  // Picture sides are 16-bit.
  if (width < 1 || height < 1 || width > 32767 || height > 32767) return 0;
  const int bits = GetDeviceCaps(device, BITSPIXEL);
  const int planes = GetDeviceCaps(device, PLANES);
  const int colors = ColorsForDepth(bits, planes);
  if (colors < 0) return 0;

  std::unique_ptr<BYTE[]> paletteBuffer(new (std::nothrow) BYTE[768]());
  if (!paletteBuffer) return 0;
  OwnedPalette palette;
  if (colors > 0) {
    HPALETTE current = GetCurrentPalette(device);
    if (GetPaletteEntries(current, 0, 0, nullptr) >= UINT(colors)) {
      std::vector<PALETTEENTRY> entries(static_cast<std::size_t>(colors));
      GetPaletteEntries(current, 0, UINT(colors), entries.data());
      for (int i = 0; i < colors && i < 256; ++i) {
        paletteBuffer[3 * i] = entries[i].peRed;
        paletteBuffer[3 * i + 1] = entries[i].peGreen;
        paletteBuffer[3 * i + 2] = entries[i].peBlue;
        entries[i].peFlags = 0;
      }
      palette.reset(graphics::MakePalette(entries));
    }
  }
  if (!palette) palette.reset(CreateStandardPalettes());
  if (!palette) return 0;

  HBITMAP bitmap;
  {
    graphics::OffscreenSurface copy(device, int(width), int(height),
                                    graphics::OffscreenSurface::Kind::CompatibleWithContext);
    if (!copy.valid()) return 0;
    copy.UsePalette(palette.get(), true);
    BitBlt(copy.dc(), 0, 0, int(width), int(height), device, rect.left, rect.top, SRCCOPY);
    bitmap = copy.ReleaseBitmap();
  }
  DWORD size = 0;
  graphics::DibHandle dib(BitmapToDIB(bitmap, palette.get(), &size));
  DeleteObject(bitmap);
  if (!dib) return 0;

  // The picture takes the capture only now, so a failed capture leaves it as it was.
  graphics::ReplaceDib(m_hDIB, std::move(dib));
  if (m_hPalette != nullptr) DeleteObject(m_hPalette);
  m_hPalette = palette.release();
  delete[] m_PaletteBuffer;
  m_PaletteBuffer = paletteBuffer.release();
  m_xPos = short(rect.left);
  m_yPos = short(rect.top);
  m_devBitsPerPixel = short(bits);
  m_devPlanes = short(planes);
  m_bLoaded = 1;
  m_bHaveDIB = 1;
  // The cached facts describe the DIB as made (a 16-bit device gives 24 bits), and the
  // palette buffer holds its colour table, so saving writes the colours captured.
  GetDIBHeader();
  m_dibSize = size;
  GetDIBPalette(m_hDIB, m_PaletteBuffer);
  return 1;
}
