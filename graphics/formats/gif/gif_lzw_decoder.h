// The LZW decoder of GIF image data: reads the minimum code size and the data
// sub-blocks and hands out the decoded colour indexes one picture row at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "graphics/formats/coder/buffered_file.h"

namespace graphics {

enum class GifDecodeResult {
  complete,     // every row was decoded
  endOfData,    // the end code, the end of the sub-blocks or of the file came first
  badCodeSize,  // the minimum code size lies outside 2..9
};

// The picture rows in the order the image data holds them: top to bottom, or the
// four interlace passes (from 0 every 8th, from 4 every 8th, from 2 every 4th, from 1
// every 2nd).
std::vector<std::uint16_t> GifRowOrder(int height, bool interlaced);

class GifLzwDecoder {
 public:
  // Receives the index of each decoded row (counted in data order, from 0) and its
  // `width` indexes.
  using RowSink = std::function<void(int rowNumber, const BYTE* indexes)>;

  GifLzwDecoder(int width, int height);

  // Decodes from the reader's position (the code size byte). A row that the data
  // ends in is handed out with the rest of it zero. Read errors throw CFileException.
  GifDecodeResult Decode(BufferedReader& in, const RowSink& sink);

 private:
  static constexpr int kMaxCodes = 4096;

  int m_width;
  int m_height;
  std::vector<BYTE> m_suffix;           // last index of each code's string
  std::vector<std::uint16_t> m_prefix;  // the code its string extends
  std::vector<BYTE> m_stack;            // one string, last index first
  std::vector<BYTE> m_line;             // the row being filled
};

}  // namespace graphics
