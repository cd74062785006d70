#include "graphics/formats/gif/gif_run_length_encoder.h"

namespace graphics {

namespace {
constexpr int kMaxCodeBits = 12;
}  // namespace

GifRunLengthEncoder::GifRunLengthEncoder(int minCodeSize, BufferedWriter& out)
    : m_out(out),
      m_initBits(minCodeSize + 1),
      m_clearCode(1 << minCodeSize),
      m_endCode(m_clearCode + 1),
      m_baseCode(m_endCode + 1),
      m_initBump((1 << minCodeSize) - 1),
      // Small code sizes clear often, so that runs find a fresh table soon.
      m_initClearLimit(m_initBits <= 3 ? 9 : m_initBump - 1),
      m_maxCodes((1 << kMaxCodeBits) - ((1 << minCodeSize) + 3)) {}

void GifRunLengthEncoder::Cleared() {
  m_codeWidth = m_initBits;
  m_bump = m_initBump;
  m_clearLimit = m_initClearLimit;
  m_outCount = 0;
  m_tableMax = 0;
  m_justCleared = true;
}

void GifRunLengthEncoder::Begin() {
  Cleared();
  Emit(m_clearCode);
  m_runCount = 0;
}

void GifRunLengthEncoder::Emit(int code) {
  m_bits |= std::uint32_t(code) << m_bitCount;
  m_bitCount += m_codeWidth;
  while (m_bitCount >= 8) {
    m_block[m_blockUsed++] = BYTE(m_bits & 0xFF);
    m_bits >>= 8;
    m_bitCount -= 8;
    if (m_blockUsed == m_block.size()) {
      m_out.Put(BYTE(m_blockUsed));
      m_out.Write(m_block.data(), m_blockUsed);
      m_blockUsed = 0;
    }
  }
}

void GifRunLengthEncoder::OutputPlain(int code) {
  m_justCleared = false;
  Emit(code);
  ++m_outCount;
  // The decoder widens its codes when its table reaches the next power of two.
  if (m_outCount >= m_bump) {
    ++m_codeWidth;
    m_bump += 1 << (m_codeWidth - 1);
  }
  if (m_outCount >= m_clearLimit) SendClear();
}

void GifRunLengthEncoder::ResetClearLimit() {
  m_clearLimit = m_initClearLimit;
  if (m_outCount >= m_clearLimit) SendClear();
}

unsigned GifRunLengthEncoder::IntegerSquareRoot(unsigned value) {
  if (value < 2) return value;
  int bits = 0;
  for (unsigned v = value; v != 0; v >>= 1) ++bits;
  unsigned x = 1u << ((bits + 1) / 2);  // at or above the root
  for (;;) {
    const unsigned next = (value / x + x) / 2;
    if (next == x || next == x + 1) return x;
    x = next;
  }
}

unsigned GifRunLengthEncoder::TriangleCost(unsigned count, unsigned repeats) {
  unsigned cost = 0;
  const unsigned perRepeat = repeats * (repeats + 1) / 2;
  while (count >= perRepeat) {
    cost += repeats;
    count -= perRepeat;
  }
  if (count > 0) {
    // The smallest n whose runs 1 + 2 + ... + n cover what is left.
    unsigned n = IntegerSquareRoot(count);
    while (n > 0 && n * (n + 1) >= 2 * count) --n;
    while (n * (n + 1) < 2 * count) ++n;
    cost += n;
  }
  return cost;
}

void GifRunLengthEncoder::FlushFromClear(int count) {
  MaxOutClear();
  m_tablePixel = m_runPixel;
  int n = 1;
  while (count > 0) {
    if (n == 1) {
      m_tableMax = 1;
      OutputPlain(m_runPixel);
      --count;
    } else if (count >= n) {
      m_tableMax = n;
      OutputPlain(m_baseCode + n - 2);
      count -= n;
    } else if (count == 1) {
      ++m_tableMax;
      OutputPlain(m_runPixel);
      count = 0;
    } else {
      ++m_tableMax;
      OutputPlain(m_baseCode + count - 2);
      count = 0;
    }
    n = m_outCount == 0 ? 1 : n + 1;
  }
  ResetClearLimit();
}

void GifRunLengthEncoder::FlushClearOrRepeat(int count) {
  const unsigned withClear = 1 + TriangleCost(unsigned(count), unsigned(m_maxCodes));
  if (withClear < unsigned(count)) {
    SendClear();
    FlushFromClear(count);
    return;
  }
  for (; count > 0; --count) OutputPlain(m_runPixel);
}

void GifRunLengthEncoder::FlushWithTable(int count) {
  int repeats = count / m_tableMax;
  int leftover = count % m_tableMax;
  unsigned leftoverCodes = leftover > 0 ? 1 : 0;
  if (m_outCount + repeats + int(leftoverCodes) > m_maxCodes) {
    repeats = m_maxCodes - m_outCount;
    leftover = count - repeats * m_tableMax;
    leftoverCodes = 1 + TriangleCost(unsigned(leftover), unsigned(m_maxCodes));
  }
  if (1 + TriangleCost(unsigned(count), unsigned(m_maxCodes)) < unsigned(repeats) + leftoverCodes) {
    SendClear();
    FlushFromClear(count);
    return;
  }
  MaxOutClear();
  for (; repeats > 0; --repeats) OutputPlain(m_baseCode + m_tableMax - 2);
  if (leftover > 0) {
    if (m_justCleared)
      FlushFromClear(leftover);
    else if (leftover == 1)
      OutputPlain(m_runPixel);
    else
      OutputPlain(m_baseCode + leftover - 2);
  }
  ResetClearLimit();
}

void GifRunLengthEncoder::FlushRun() {
  if (m_runCount == 1)
    OutputPlain(m_runPixel);
  else if (m_justCleared)
    FlushFromClear(m_runCount);
  else if (m_tableMax < 2 || m_tablePixel != m_runPixel)
    FlushClearOrRepeat(m_runCount);
  else
    FlushWithTable(m_runCount);
  m_runCount = 0;
}

void GifRunLengthEncoder::FlushBits() {
  if (m_bitCount > 0) {
    m_block[m_blockUsed++] = BYTE(m_bits & 0xFF);
    m_bits = 0;
    m_bitCount = 0;
  }
  if (m_blockUsed > 0) {
    m_out.Put(BYTE(m_blockUsed));
    m_out.Write(m_block.data(), m_blockUsed);
    m_blockUsed = 0;
  }
}

void GifRunLengthEncoder::Finish() {
  if (m_runCount > 0) FlushRun();
  Emit(m_endCode);
  FlushBits();
}

}  // namespace graphics
