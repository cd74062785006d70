// The wrapper every processing operation puts round the caller's DIB.
//
// On construction it checks the DIB and expands 1-, 2- and 4-bit pictures to
// 8 bits (replacing the caller's block), so an operation sees either an 8-bit
// palette picture or a 24-bit picture. Other depths, damaged headers and blocks
// too small for their header are refused.
#pragma once

#include <cstdint>

#include "Pics.h"
#include "graphics/core/dib_block.h"
#include "graphics/core/depth/dib_layout.h"

namespace graphics {

class DibWorker {
 public:
  enum class Status { kReady, kRefused, kNoMemory };

  explicit DibWorker(HGLOBAL* handle);

  Status status() const { return m_status; }
  bool ready() const { return m_status == Status::kReady; }

  uint16_t width() const { return m_layout.width; }
  uint16_t height() const { return m_layout.height; }
  uint16_t bitCount() const { return m_layout.bitCount; }
  uint32_t stride8() const { return (uint32_t(width()) + 3) & ~3u; }
  uint32_t stride24() const { return (3u * width() + 3) & ~3u; }
  const DibLayout& layout() const { return m_layout; }
  HGLOBAL block() const { return *m_handle; }

  // Puts a finished block in the caller's variable and frees the old one.
  void Replace(DibHandle fresh);

 private:
  bool ExpandTo8Bits();

  HGLOBAL* m_handle;
  DibLayout m_layout;
  Status m_status = Status::kRefused;
};

// The checked layout of the DIB in a block, or nothing.
std::optional<DibLayout> ReadBlockLayout(HGLOBAL block);

}  // namespace graphics
