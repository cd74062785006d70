// Mirroring a picture in place, at its own depth.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "graphics/core/depth/dib_worker.h"
#include "graphics/processing/geometry_ops.h"
#include "graphics/core/dib_block.h"
#include "graphics/processing/reshaped_dib.h"

namespace graphics {

int FlipHorizontal(HGLOBAL* handle) {
  DibWorker worker(handle);
  if (!worker.ready()) return 0;
  const DibLayout& l = worker.layout();
  const uint32_t pixelBytes = l.bitCount / 8;
  LockedBlock dib(worker.block());
  for (uint32_t r = 0; r < l.height; ++r) {
    BYTE* row = dib.data() + l.imageOffset + r * l.stride;
    for (uint32_t i = 0; i < l.width / 2u; ++i) {
      BYTE* a = row + i * pixelBytes;
      BYTE* b = row + (l.width - 1 - i) * pixelBytes;
      for (uint32_t k = 0; k < pixelBytes; ++k) std::swap(a[k], b[k]);
    }
  }
  return 1;
}

int FlipVertical(HGLOBAL* handle) {
  DibWorker worker(handle);
  if (!worker.ready()) return 0;
  const DibLayout& l = worker.layout();
  if (l.stride == 0 || l.height < 2) return 1;  // nothing to exchange
  std::vector<BYTE> spare;
  try {
    spare.resize(size_t(l.stride));
  } catch (const std::bad_alloc&) {
    return 0;
  }
  LockedBlock dib(worker.block());
  BYTE* rows = dib.data() + l.imageOffset;
  for (uint32_t i = 0; i < l.height / 2u; ++i) {
    BYTE* a = rows + i * l.stride;
    BYTE* b = rows + (l.height - 1 - i) * l.stride;
    std::memcpy(spare.data(), a, spare.size());
    std::memcpy(a, b, spare.size());
    std::memcpy(b, spare.data(), spare.size());
  }
  return 1;
}

}  // namespace graphics

int CPics::FlipHorz() {
  return m_hDIB ? graphics::RefreshAfterTransform(*this, graphics::FlipHorizontal(&m_hDIB)) : 0;
}

int CPics::FlipVert() {
  return m_hDIB ? graphics::RefreshAfterTransform(*this, graphics::FlipVertical(&m_hDIB)) : 0;
}
