// New blocks for transforms that change a picture's size: the source's header and
// palette are kept, the width and height fields rewritten, the rows zero-filled.
#pragma once

#include <cstdint>

#include "Pics.h"
#include "graphics/core/depth/dib_layout.h"
#include "graphics/core/dib_block.h"

namespace graphics {

// Null when the new size exceeds the largest picture or the block cannot be had.
// The rows start at layout.imageOffset and have RowStride(width, layout.bitCount).
DibHandle AllocateReshapedDib(const BYTE* sourceDib, const DibLayout& layout, uint32_t width,
                              uint32_t height);

// The member forms: refresh the object's header copy after a transform of m_hDIB.
int RefreshAfterTransform(CPics& picture, int result);

}  // namespace graphics
