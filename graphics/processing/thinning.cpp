// Thinning black strokes to lines one pixel wide.
//
// Each pass runs four sub-passes; a sub-pass removes stroke pixels whose 3 x 3
// neighbourhood the deletion table marks as removable and whose neighbour on the
// sub-pass's side is background. Neighbourhood codes are carried along as the
// window moves, so each pixel's ink is read once per sub-pass.
#include <array>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

#include "graphics/core/depth/dib_worker.h"
#include "graphics/core/dib_block.h"
#include "graphics/processing/progress_reporter.h"

namespace graphics {
namespace {

// Bit i of the 512-entry deletion table, indexed by the neighbourhood code:
// bit 0 (y+1, x+1), 1 (y+1, x), 2 (y+1, x-1), 3 (y, x+1), 4 the pixel itself,
// 5 (y, x-1), 6 (y-1, x+1), 7 (y-1, x), 8 (y-1, x-1).
constexpr std::array<uint8_t, 64> kDeletionBits = {
    0x00, 0x00, 0xc8, 0xce, 0x00, 0x00, 0xdc, 0xcc, 0x00, 0x00, 0x00, 0xcf, 0x00, 0x00, 0x00, 0xcc,
    0x00, 0x00, 0x00, 0xcf, 0x00, 0x00, 0xdd, 0xff, 0x00, 0x00, 0x01, 0xcf, 0x00, 0x00, 0xdd, 0xff,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xdd, 0xcc, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xcc,
    0x00, 0x00, 0x01, 0xcf, 0x00, 0x00, 0xdd, 0xff, 0x00, 0x00, 0x01, 0xcf, 0x00, 0x00, 0xdd, 0xff,
};

constexpr std::array<bool, 512> BuildDeletionTable() {
  std::array<bool, 512> table{};
  for (int i = 0; i < 512; ++i) table[size_t(i)] = (kDeletionBits[size_t(i / 8)] >> (i % 8)) & 1;
  return table;
}
constexpr std::array<bool, 512> kDeletable = BuildDeletionTable();

// Sub-pass sides, in order: the neighbour at y-1, y+1, x-1 and x+1 must be background.
constexpr unsigned kSides[4] = {0200, 0002, 0040, 0010};

class Thinner {
 public:
  Thinner(BYTE* image, const DibLayout& l)
      : m_image(image), m_stride(l.stride), m_width(l.width), m_height(l.height) {}

  bool Allocate() {
    try {
      m_codes.resize(m_width + 1);
    } catch (const std::bad_alloc&) {
      return false;
    }
    return true;
  }

  void StartProgress(int passes) {
    if (!CPics::m_pProgressDlg) return;
    CPics::m_progress = 0;
    const int span = int(m_width) + int(m_height);
    m_progress.emplace(4 * passes >= 50 ? span * 50 : span * 4 * passes);
  }

  // Runs up to `passes` passes, stopping early once a pass removes nothing.
  void Run(int passes) {
    long removed = 1;
    for (int pass = 0; pass < passes && removed > 0 && !m_stopped; ++pass) {
      removed = 0;
      for (unsigned side : kSides) removed += SubPass(side);
    }
  }

 private:
  unsigned Ink(uint32_t y, uint32_t x) const {
    return m_image[uint64_t(y) * m_stride + 3 * uint64_t(x)] == 0;
  }

  bool Step() {
    if (m_stopped) return false;
    if (m_progress && !m_progress->Step(m_unit++)) m_stopped = true;
    return !m_stopped;
  }

  long TryRemove(uint32_t y, uint32_t x, unsigned code, unsigned side) {
    if ((code & side) != 0 || !kDeletable[code]) return 0;
    BYTE* px = m_image + uint64_t(y) * m_stride + 3 * uint64_t(x);
    if (px[0] != 0) return 0;
    px[0] = px[1] = px[2] = 255;
    return 1;
  }

  // The codes of the row before the picture: only its y+1 row (row 0) is known.
  void BuildFirstCodes() {
    unsigned code = Ink(0, 0);
    for (uint32_t x = 0; x + 1 < m_width; ++x) {
      code = ((code << 1) & 06) | Ink(0, x + 1);
      m_codes[x] = uint8_t(code);
    }
    m_codes[m_width - 1] = uint8_t((code << 1) & 06);
  }

  // The code left of column 0: the column itself enters the x+1 bits. The saved
  // code of column 0 holds the rows y and y-1 of column 0 in bits 1 and 4.
  unsigned RowStartCode() const { return (unsigned(m_codes[0]) << 2) & 0330; }

  long SubPass(unsigned side) {
    if (m_width == 0 || m_height == 0) return 0;
    long removed = 0;
    BuildFirstCodes();
    for (uint32_t y = 0; y + 1 < m_height; ++y) {
      if (!Step()) return removed;
      unsigned code = RowStartCode() | Ink(y + 1, 0);
      for (uint32_t x = 0; x + 1 < m_width; ++x) {
        code = ((code << 1) & 0666) | ((unsigned(m_codes[x]) << 3) & 0110) | Ink(y + 1, x + 1);
        m_codes[x] = uint8_t(code);
        removed += TryRemove(y, x, code, side);
      }
      code = (code << 1) & 0666;
      m_codes[m_width - 1] = uint8_t(code);
      removed += TryRemove(y, m_width - 1, code, side);
    }
    const uint32_t y = m_height - 1;
    unsigned code = RowStartCode();
    for (uint32_t x = 0; x < m_width; ++x) {
      if (!Step()) return removed;
      code = ((code << 1) & 0666) | ((unsigned(m_codes[x]) << 3) & 0110);
      removed += TryRemove(y, x, code, side);
    }
    return removed;
  }

  BYTE* m_image;
  uint64_t m_stride;
  uint32_t m_width, m_height;
  // Saved code of each column of the previous row; only bits 0..5 are read back.
  std::vector<uint8_t> m_codes;
  std::optional<ProgressLoop> m_progress;
  int m_unit = 0;
  bool m_stopped = false;
};

}  // namespace
}  // namespace graphics

int CPics::ThinImage(HGLOBAL* phDIB, int passes) {
  if (!ConvertTo24BPP(phDIB)) return 0;
  const auto layout = graphics::ReadBlockLayout(*phDIB);
  if (!layout) return 0;
  graphics::LockedBlock dib(*phDIB);
  graphics::Thinner thinner(dib.data() + layout->imageOffset, *layout);
  if (!thinner.Allocate()) return 0;
  thinner.StartProgress(passes);
  thinner.Run(passes);
  return 1;
}
