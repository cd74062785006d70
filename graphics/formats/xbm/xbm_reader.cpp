#include "graphics/formats/xbm/xbm_reader.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "graphics/core/dib_block.h"
#include "graphics/formats/xbm/xbm_header.h"
#include "graphics/formats/coder/buffered_file.h"
#include "graphics/formats/coder/decoded_dib.h"

namespace graphics {

namespace {

// The header is looked for in the first bytes only; the content test that lets a
// file reach the reader finds it in its first thousand.

constexpr std::array<BYTE, 256> MakeReversedTable() {
  std::array<BYTE, 256> table{};
  for (int v = 0; v < 256; ++v) {
    int r = 0;
    for (int bit = 0; bit < 8; ++bit)
      if (v & (1 << bit)) r |= 0x80 >> bit;
    table[std::size_t(v)] = BYTE(r);
  }
  return table;
}
constexpr std::array<BYTE, 256> kReversed = MakeReversedTable();

bool IsSpace(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

int HexDigit(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads the byte constants of the array one at a time, as "%x" reads them: white
// space, an optional 0x, hexadecimal digits; a comma leads to the next constant.
class ConstantReader {
 public:
  explicit ConstantReader(BufferedReader& in) : m_in(in) {}

  // The next constant's low byte, or -1 at the end of the array.
  int Next() {
    if (m_ended) return -1;
    int c = SkipSpace();
    bool digits = false;
    unsigned value = 0;
    if (c == '0') {
      m_in.Get();
      digits = true;
      c = m_in.Peek();
      if (c == 'x' || c == 'X') {
        m_in.Get();
        c = m_in.Peek();
      }
    }
    for (int d; (d = HexDigit(c)) >= 0; c = m_in.Peek()) {
      m_in.Get();
      value = (value << 4) | unsigned(d);
      digits = true;
    }
    if (!digits) {
      m_ended = true;
      return -1;
    }
    if (SkipSpace() == ',')
      m_in.Get();
    else
      m_ended = true;  // "};" or anything else closes the array after this constant
    return int(value & 0xFF);
  }

 private:
  int SkipSpace() {
    int c = m_in.Peek();
    while (IsSpace(c)) {
      m_in.Get();
      c = m_in.Peek();
    }
    return c;
  }

  BufferedReader& m_in;
  bool m_ended = false;
};

}  // namespace

BYTE XbmToDibByte(BYTE fileByte) { return BYTE(~kReversed[fileByte]); }

DibHandle ReadXbmFile(CFile& file) {
  const std::uint64_t start = file.GetPosition();
  const auto header = ReadXbmHeader(file);
  if (!header) return DibHandle();
  const int width = header->width, height = header->height;
  const std::size_t fileRowBytes = (std::size_t(width) + 7) / 8;

  const BYTE blackWhite[6] = {0, 0, 0, 255, 255, 255};
  DibHandle dib = AllocateDib(width, height, 1, blackWhite, 2);
  if (!dib) return DibHandle();
  bool complete = true;
  {
    file.Seek(static_cast<std::int64_t>(start + header->bitsOffset), CFile::begin);
    BufferedReader in(file);
    ConstantReader array(in);
    LockedBlock block(dib.get());
    BYTE* pixels = block.data() + DibPixelOffset(1);
    const std::size_t stride = RowStride(width, 1);
    for (int y = 0; y < height && complete; ++y) {
      BYTE* row = pixels + std::size_t(height - 1 - y) * stride;
      for (std::size_t i = 0; i < fileRowBytes; ++i) {
        const int value = array.Next();
        if (value < 0) {
          complete = false;
          break;
        }
        row[i] = XbmToDibByte(BYTE(value));
      }
    }
  }
  if (!complete) return DibHandle();
  return dib;
}

}  // namespace graphics
