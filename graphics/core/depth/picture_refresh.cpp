#include "graphics/core/depth/picture_refresh.h"

#include <new>

#include "graphics/core/depth/dib_worker.h"

namespace graphics {

bool EnsurePaletteBuffer(CPics& picture) {
  // The object owns this buffer as new[] storage; its destructor deletes it.
  if (!picture.m_PaletteBuffer) picture.m_PaletteBuffer = new (std::nothrow) BYTE[768]();
  return picture.m_PaletteBuffer != nullptr;
}

void CopyOwnPalette(CPics& picture) {
  // GetDIBPalette writes three bytes a colour: only a checked count of at most
  // 256 colours fits the 768-byte buffer.
  const auto layout = ReadBlockLayout(picture.m_hDIB);
  if (layout && layout->bitCount <= 8 && picture.m_PaletteBuffer)
    CPics::GetDIBPalette(picture.m_hDIB, picture.m_PaletteBuffer);
}

int RefreshAfterConversion(CPics& picture) {
  picture.GetDIBHeader();
  if (picture.m_bitsPerPixel == 8) {
    if (!EnsurePaletteBuffer(picture)) return 0;
    CopyOwnPalette(picture);
    picture.CreateImagePalette();
  }
  return 1;
}

}  // namespace graphics
