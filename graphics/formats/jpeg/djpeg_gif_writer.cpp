// GIF output of the decompression front end (GIF87a, LZW-compressed). GIF holds at
// most 256 colours, so colour output is quantised (to 256 colours unless fewer were
// asked for); grey output is written with a 256-level grey colour table.
#include <algorithm>
#include <vector>

#include "graphics/formats/jpeg/djpeg_writer.h"

namespace graphics {
namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kTableSize = 1 << kMaxCodeBits;

// Variable-length LZW codes packed least significant bit first into 255-byte blocks.
class LzwEncoder {
 public:
  LzwEncoder(decoded::BufferedOutput& out, int minCodeSize)
      : m_out(out),
        m_minCodeSize(minCodeSize),
        m_clear(1 << minCodeSize),
        m_end(m_clear + 1),
        m_codeSize(minCodeSize + 1),
        m_next(m_end + 1),
        m_children(std::size_t(kTableSize) << 8) {
    m_out.PutByte(BYTE(minCodeSize));
    Restart();
  }

  void Add(BYTE value) {
    if (m_prefix < 0) {
      m_prefix = value;
      return;
    }
    std::int16_t& child = m_children[(std::size_t(m_prefix) << 8) | value];
    if (child != 0) {
      m_prefix = child;
      return;
    }
    Emit(m_prefix);
    if (m_next < kTableSize) {
      child = static_cast<std::int16_t>(m_next++);
    } else {
      Restart();  // the table is full: start a new one
    }
    m_prefix = value;
  }

  void Finish() {
    if (m_prefix >= 0) Emit(m_prefix);
    Emit(m_end);
    if (m_bitCount > 0) PutByte(BYTE(m_bits));
    FlushBlock();
    m_out.PutByte(0);  // block terminator
  }

 private:
  void Restart() {
    Emit(m_clear);
    std::fill(m_children.begin(), m_children.end(), 0);
    m_codeSize = m_minCodeSize + 1;
    m_next = m_end + 1;
  }

  void Emit(int code) {
    // The reader widens its codes once the table holds more entries than the
    // current width can name; it adds entries one code later than we do.
    while (m_next > (1 << m_codeSize) && m_codeSize < kMaxCodeBits) ++m_codeSize;
    m_bits |= std::uint32_t(code) << m_bitCount;
    m_bitCount += m_codeSize;
    while (m_bitCount >= 8) {
      PutByte(BYTE(m_bits));
      m_bits >>= 8;
      m_bitCount -= 8;
    }
  }

  void PutByte(BYTE value) {
    m_block.push_back(value);
    if (m_block.size() == 255) FlushBlock();
  }

  void FlushBlock() {
    if (m_block.empty()) return;
    m_out.PutByte(BYTE(m_block.size()));
    m_out.Put(m_block.data(), m_block.size());
    m_block.clear();
  }

  decoded::BufferedOutput& m_out;
  int m_minCodeSize;
  int m_clear, m_end;
  int m_codeSize;
  int m_next;
  int m_prefix = -1;
  std::uint32_t m_bits = 0;
  int m_bitCount = 0;
  std::vector<std::int16_t> m_children;  // code of (prefix, byte), 0 when absent
  std::vector<BYTE> m_block;
};

class GifWriter : public DecodedImageWriter {
 public:
  explicit GifWriter(CFile& file) : m_out(file) {}

  bool Prepare(jpeg_decompress_struct& info, std::string* error) override {
    if (!decoded::IsGreyOrRgb(info)) {
      *error = "GIF output must be grayscale or RGB";
      return false;
    }
    if (info.output_width > 0xFFFF || info.output_height > 0xFFFF) {
      *error = "picture too large for a GIF file";
      return false;
    }
    if (info.out_color_space != JCS_GRAYSCALE) {
      info.quantize_colors = TRUE;
      info.desired_number_of_colors = std::min(info.desired_number_of_colors, 256);
    }
    return true;
  }

  void Begin(const jpeg_decompress_struct& info) override {
    const int colours = info.quantize_colors ? info.actual_number_of_colors : 256;
    int bits = 1;
    while ((1 << bits) < colours) ++bits;
    const BYTE head[13] = {'G',
                           'I',
                           'F',
                           '8',
                           '7',
                           'a',
                           BYTE(info.output_width),
                           BYTE(info.output_width >> 8),
                           BYTE(info.output_height),
                           BYTE(info.output_height >> 8),
                           BYTE(0x80 | ((bits - 1) << 4) | (bits - 1)),
                           0,
                           0};
    m_out.Put(head, sizeof head);
    for (int i = 0; i < (1 << bits); ++i) {
      BYTE rgb[3] = {0, 0, 0};
      if (!info.quantize_colors) {
        rgb[0] = rgb[1] = rgb[2] = BYTE(i);
      } else if (i < colours) {
        const JSAMPLE index = JSAMPLE(i);
        decoded::SampleColour(info, &index, rgb);
      }
      m_out.Put(rgb, 3);
    }
    const BYTE image[10] = {',',
                            0,
                            0,
                            0,
                            0,
                            BYTE(info.output_width),
                            BYTE(info.output_width >> 8),
                            BYTE(info.output_height),
                            BYTE(info.output_height >> 8),
                            0};
    m_out.Put(image, sizeof image);
    m_lzw = std::make_unique<LzwEncoder>(m_out, std::max(bits, 2));
  }

  void WriteRow(const jpeg_decompress_struct& info, JDIMENSION, const JSAMPLE* row) override {
    for (JDIMENSION x = 0; x < info.output_width; ++x) m_lzw->Add(row[x]);
  }

  void Finish(const jpeg_decompress_struct&) override {
    m_lzw->Finish();
    m_out.PutByte(';');
    m_out.Flush();
  }

 private:
  decoded::BufferedOutput m_out;
  std::unique_ptr<LzwEncoder> m_lzw;
};

}  // namespace

std::unique_ptr<DecodedImageWriter> MakeGifWriter(CFile& file) {
  return std::make_unique<GifWriter>(file);
}

}  // namespace graphics
