#include "graphics/formats/gif/gif_lzw_decoder.h"

#include <algorithm>
#include <cstring>

namespace graphics {

namespace {

constexpr int kMaxCodeSize = 12;

// Codes packed least significant bit first into the data sub-blocks.
class CodeReader {
 public:
  explicit CodeReader(BufferedReader& in) : m_in(in) {}

  // The next code of `size` bits, or -1 when the data ends.
  int Next(int size) {
    while (m_bits < size) {
      const int byte = NextByte();
      if (byte < 0) return -1;
      m_accumulator |= std::uint32_t(byte) << m_bits;
      m_bits += 8;
    }
    const int code = int(m_accumulator & ((1u << size) - 1));
    m_accumulator >>= size;
    m_bits -= size;
    return code;
  }

 private:
  int NextByte() {
    if (m_blockLeft == 0) {
      if (m_ended) return -1;
      const int length = m_in.Get();
      if (length <= 0) {  // the terminating empty block or the end of the file
        m_ended = true;
        return -1;
      }
      m_blockLeft = length;
    }
    const int byte = m_in.Get();
    if (byte < 0) {
      m_ended = true;
      m_blockLeft = 0;
      return -1;
    }
    --m_blockLeft;
    return byte;
  }

  BufferedReader& m_in;
  std::uint32_t m_accumulator = 0;
  int m_bits = 0;
  int m_blockLeft = 0;
  bool m_ended = false;
};

}  // namespace

std::vector<std::uint16_t> GifRowOrder(int height, bool interlaced) {
  std::vector<std::uint16_t> order;
  order.reserve(std::size_t(std::max(height, 0)));
  if (!interlaced) {
    for (int y = 0; y < height; ++y) order.push_back(std::uint16_t(y));
    return order;
  }
  static constexpr int kStart[4] = {0, 4, 2, 1};
  static constexpr int kStep[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (int y = kStart[pass]; y < height; y += kStep[pass]) order.push_back(std::uint16_t(y));
  return order;
}

GifLzwDecoder::GifLzwDecoder(int width, int height)
    : m_width(width),
      m_height(height),
      m_suffix(kMaxCodes),
      m_prefix(kMaxCodes),
      m_stack(kMaxCodes + 1),
      m_line(std::size_t(std::max(width, 1))) {}

GifDecodeResult GifLzwDecoder::Decode(BufferedReader& in, const RowSink& sink) {
  const int minCodeSize = in.Get();
  if (minCodeSize < 2 || minCodeSize > 9) return GifDecodeResult::badCodeSize;

  const int clearCode = 1 << minCodeSize;
  const int endCode = clearCode + 1;
  const int firstFree = clearCode + 2;
  int codeSize = minCodeSize + 1;
  int nextSlot = firstFree;
  int topSlot = 1 << codeSize;
  int oldCode = -1;  // none since the last clear
  BYTE firstChar = 0;
  int rowsDone = 0;
  std::size_t linePos = 0;
  std::memset(m_line.data(), 0, m_line.size());

  // Moves the stacked string (last index on top) into rows; false once every row is full.
  auto emit = [&](std::size_t depth) {
    while (depth > 0) {
      const std::size_t n = std::min(depth, std::size_t(m_width) - linePos);
      BYTE* out = m_line.data() + linePos;
      for (std::size_t i = 0; i < n; ++i) out[i] = m_stack[depth - 1 - i];
      depth -= n;
      linePos += n;
      if (linePos == std::size_t(m_width)) {
        sink(rowsDone, m_line.data());
        linePos = 0;
        if (++rowsDone == m_height) return false;
      }
    }
    return true;
  };

  CodeReader codes(in);
  GifDecodeResult result = GifDecodeResult::endOfData;
  for (;;) {
    int code = codes.Next(codeSize);
    if (code < 0 || code == endCode) break;
    if (code == clearCode) {
      codeSize = minCodeSize + 1;
      nextSlot = firstFree;
      topSlot = 1 << codeSize;
      oldCode = -1;
      continue;
    }
    if (oldCode < 0) {
      // The first code after a clear (or at the start) stands for one index.
      if (code >= nextSlot) code = 0;
      oldCode = code;
      firstChar = BYTE(code);
      m_stack[0] = firstChar;
      if (!emit(1)) {
        result = GifDecodeResult::complete;
        break;
      }
      continue;
    }

    const int thisCode = code;
    std::size_t depth = 0;
    if (code >= nextSlot) {
      // A code not yet in the table: the previous string and its own first index.
      m_stack[depth++] = firstChar;
      code = oldCode;
    }
    while (code >= firstFree) {
      m_stack[depth++] = m_suffix[std::size_t(code)];
      code = m_prefix[std::size_t(code)];
    }
    m_stack[depth++] = BYTE(code);
    firstChar = BYTE(code);

    if (nextSlot < topSlot) {
      m_suffix[std::size_t(nextSlot)] = firstChar;
      m_prefix[std::size_t(nextSlot)] = std::uint16_t(oldCode);
      ++nextSlot;
    }
    if (nextSlot >= topSlot && codeSize < kMaxCodeSize) {
      ++codeSize;
      topSlot <<= 1;
    }
    oldCode = thisCode >= nextSlot ? oldCode : thisCode;
    if (!emit(depth)) {
      result = GifDecodeResult::complete;
      break;
    }
  }
  // A row the data stopped in is kept with what it has.
  if (result != GifDecodeResult::complete && linePos > 0 && rowsDone < m_height) {
    std::memset(m_line.data() + linePos, 0, m_line.size() - linePos);
    sink(rowsDone, m_line.data());
  }
  return result;
}

}  // namespace graphics
