// Preparing a freshly loaded picture for the display: dithering onto the
// standard colour table, or quantising, for 8-bit palette displays.
#include <cstring>
#include <new>
#include <vector>

#include "Pics.h"
#include "graphics/core/depth/dib_worker.h"
#include "graphics/core/depth/dither_engine.h"
#include "graphics/core/dib_block.h"
#include "graphics/core/depth/picture_refresh.h"
#include "graphics/core/depth/standard_color_table.h"

namespace {

void CopyStandardTable(BYTE* buffer) {
  for (int i = 0; i < 256; ++i) {
    buffer[3 * i] = graphics::StandardColorTable[i].red;
    buffer[3 * i + 1] = graphics::StandardColorTable[i].green;
    buffer[3 * i + 2] = graphics::StandardColorTable[i].blue;
  }
}

// Dithered indexes of the object's 24-bit picture, rows padded to 4 bytes.
bool DitherPicture(HGLOBAL block, std::vector<BYTE>& indexes) {
  const auto layout = graphics::ReadBlockLayout(block);
  if (!layout || layout->bitCount != 24) return false;
  graphics::DitherEngine engine(layout->width, layout->height);
  try {
    indexes.assign(size_t(engine.Stride8()) * layout->height, 0);
    graphics::LockedBlock dib(block);
    engine.Dither(dib.data() + layout->imageOffset, indexes.data());
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace

int CPics::CreateDitherImage() {
  if (!m_bHaveDIB || !m_hDIB) return 0;
  BYTE* table = new (std::nothrow) BYTE[768];  // owned by the object, released with delete[]
  if (!table) return 0;
  CopyStandardTable(table);
  delete[] m_PaletteBuffer;
  m_PaletteBuffer = table;
  GetDIBHeader();

  const bool paletteDisplay = m_bPaletteDevice && m_devBitsPerPixel == 8;
  if (!m_bTransparent && !m_bNoDither) {
    if (!paletteDisplay || (m_bitsPerPixel != 8 && m_bitsPerPixel != 24)) {
      // No dithering needed; a palette picture still shows its own colours.
      graphics::CopyOwnPalette(*this);
      return 1;
    }
    if (m_bitsPerPixel == 8 && !ConvertTo24BPP(&m_hDIB)) {
      graphics::CopyOwnPalette(*this);
      return 1;
    }
    std::vector<BYTE> indexes;
    if (!DitherPicture(m_hDIB, indexes)) {
      GetDIBHeader();
      return 1;
    }
    // The new block is built before the old one goes, so a failed allocation
    // leaves the picture as it was.
    graphics::DibHandle old(m_hDIB);  // freed once the new block stands
    m_hDIB = nullptr;
    CreateImageBuffer(indexes.data());
    if (!m_hDIB) {
      m_hDIB = old.release();
      GetDIBHeader();
    }
    return 1;
  }

  if (paletteDisplay && m_bitsPerPixel == 24) {
    if (!ConvertTo8BPP(&m_hDIB)) return m_hDIB ? 1 : 0;
    GetDIBHeader();
  }
  graphics::CopyOwnPalette(*this);
  return 1;
}
