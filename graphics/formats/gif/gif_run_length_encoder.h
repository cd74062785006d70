// A GIF code stream made without a string table: runs of one index are coded with
// codes whose strings the decoder builds as it reads them (v, vv, vvv, ...), and a
// clear code is sent before the decoder's table could fill. The output is a valid
// LZW stream for every GIF decoder.
#pragma once

#include <array>
#include <cstdint>

#include "graphics/formats/coder/buffered_file.h"

namespace graphics {

class GifRunLengthEncoder {
 public:
  // minCodeSize: 2..8, the byte written in front of the data; every pixel must be
  // below 2^minCodeSize. Data sub-blocks go to `out`.
  GifRunLengthEncoder(int minCodeSize, BufferedWriter& out);

  // Sends the first clear code.
  void Begin();
  void Add(int pixel) {
    if (m_runCount > 0 && pixel != m_runPixel) FlushRun();
    if (m_runCount > 0) {
      ++m_runCount;
    } else {
      m_runPixel = pixel;
      m_runCount = 1;
    }
  }
  // Sends what is left, the end code and the last bits and block (not the empty
  // block that ends the data).
  void Finish();

  // Codes the run-table clear-or-repeat decisions are priced in: the fewest codes
  // that carry `count` pixels of one index in runs of 1, 2, 3, ... that start over
  // every `repeats` codes.
  static unsigned TriangleCost(unsigned count, unsigned repeats);
  static unsigned IntegerSquareRoot(unsigned value);

 private:
  void Emit(int code);
  void OutputPlain(int code);
  void Cleared();
  void SendClear() {
    Emit(m_clearCode);
    Cleared();
  }
  void MaxOutClear() { m_clearLimit = m_maxCodes; }
  void ResetClearLimit();
  void FlushRun();
  void FlushFromClear(int count);
  void FlushClearOrRepeat(int count);
  void FlushWithTable(int count);
  void FlushBits();

  BufferedWriter& m_out;
  int m_initBits;
  int m_clearCode;
  int m_endCode;
  int m_baseCode;
  int m_initBump;
  int m_initClearLimit;
  int m_maxCodes;

  int m_codeWidth = 0;
  int m_outCount = 0;
  int m_bump = 0;
  int m_clearLimit = 0;
  bool m_justCleared = false;
  int m_tablePixel = 0;
  int m_tableMax = 0;
  int m_runPixel = 0;
  int m_runCount = 0;

  std::uint32_t m_bits = 0;
  int m_bitCount = 0;
  std::array<BYTE, 255> m_block{};
  std::size_t m_blockUsed = 0;
};

}  // namespace graphics
