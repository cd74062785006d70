// After a member conversion: refresh the object's cached facts and palettes.
#pragma once

#include "Pics.h"

namespace graphics {

// GetDIBHeader always; for an 8-bit result also m_PaletteBuffer and the logical
// palette. Returns 0 when the palette buffer cannot be allocated.
int RefreshAfterConversion(CPics& picture);

// Copies the palette of a palette picture into m_PaletteBuffer (which must
// exist); a DIB whose header does not check out is left alone.
void CopyOwnPalette(CPics& picture);

// Makes sure m_PaletteBuffer exists (768 zero bytes when new); false without memory.
bool EnsurePaletteBuffer(CPics& picture);

}  // namespace graphics
