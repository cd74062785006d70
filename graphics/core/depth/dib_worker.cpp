#include "graphics/core/depth/dib_worker.h"

#include <utility>
#include <vector>

#include "graphics/core/depth/dib_pixels.h"
#include "graphics/core/dib_block.h"
#include "graphics/core/depth/result_dib.h"

namespace graphics {

std::optional<DibLayout> ReadBlockLayout(HGLOBAL block) {
  const size_t size = GlobalSize(block);
  LockedBlock dib(block);
  if (!dib) return std::nullopt;
  return ReadDibLayout(dib.data(), size);
}

DibWorker::DibWorker(HGLOBAL* handle) : m_handle(handle) {
  if (handle == nullptr || *handle == nullptr) return;
  const auto layout = ReadBlockLayout(*handle);
  if (!layout) return;
  m_layout = *layout;
  if (m_layout.bitCount == 8 || m_layout.bitCount == 24) {
    m_status = Status::kReady;
    return;
  }
  m_status = ExpandTo8Bits() ? Status::kReady : Status::kNoMemory;
}

void DibWorker::Replace(DibHandle fresh) {
  if (fresh.get() == *m_handle) {
    (void)fresh.release();
    return;
  }
  ReplaceDib(*m_handle, std::move(fresh));
  if (const auto layout = ReadBlockLayout(*m_handle)) m_layout = *layout;
}

bool DibWorker::ExpandTo8Bits() {
  const DibLayout src = m_layout;
  DibHandle fresh = AllocateResultDib(src.width, src.height, 8);
  if (!fresh) return false;
  {
    LockedBlock from(*m_handle), to(fresh.get());
    // Indexes of the source's colours keep their entries; the rest is the standard table.
    const auto palette = ReadPalette(from.data(), src, StandardColorTable);
    WritePalette(to.data() + kDibHeaderSize, palette.data(), palette.size());
    const uint32_t stride8 = (uint32_t(src.width) + 3) & ~3u;
    const BYTE* in = from.data() + src.imageOffset;
    BYTE* out = to.data() + DibPixelOffset(8);
    for (uint32_t r = 0; r < src.height; ++r)
      UnpackIndexes(in + r * src.stride, src.bitCount, src.width, out + size_t(r) * stride8);
  }
  Replace(std::move(fresh));
  return true;
}

}  // namespace graphics
