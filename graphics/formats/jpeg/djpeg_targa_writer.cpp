// Targa output of the decompression front end, uncompressed and top-down: grey
// (type 3) for grey output, colour-mapped (type 1, 24-bit map) when quantising
// colours, else 24-bit true colour (type 2).
#include <vector>

#include "graphics/formats/jpeg/djpeg_writer.h"

namespace graphics {
namespace {

class TargaWriter : public DecodedImageWriter {
 public:
  explicit TargaWriter(CFile& file) : m_out(file) {}

  bool Prepare(jpeg_decompress_struct& info, std::string* error) override {
    if (!decoded::IsGreyOrRgb(info)) {
      *error = "Targa output must be grayscale or RGB";
      return false;
    }
    if (info.output_width > 0xFFFF || info.output_height > 0xFFFF) {
      *error = "picture too large for a Targa file";
      return false;
    }
    return true;
  }

  void Begin(const jpeg_decompress_struct& info) override {
    m_grey = info.out_color_components == 1;
    m_mapped = info.quantize_colors && !m_grey;
    BYTE head[18] = {};
    if (m_mapped) {
      head[1] = 1;
      head[2] = 1;
      head[5] = BYTE(info.actual_number_of_colors);
      head[6] = BYTE(info.actual_number_of_colors >> 8);
      head[7] = 24;
    } else {
      head[2] = m_grey ? 3 : 2;
    }
    head[12] = BYTE(info.output_width);
    head[13] = BYTE(info.output_width >> 8);
    head[14] = BYTE(info.output_height);
    head[15] = BYTE(info.output_height >> 8);
    head[16] = m_grey || m_mapped ? 8 : 24;
    head[17] = 0x20;  // first row is the top row
    m_out.Put(head, sizeof head);
    if (m_mapped) {
      for (int i = 0; i < info.actual_number_of_colors; ++i) {
        const BYTE bgr[3] = {info.colormap[2][i], info.colormap[1][i], info.colormap[0][i]};
        m_out.Put(bgr, 3);
      }
    }
    m_row.resize(std::size_t(info.output_width) * (m_grey || m_mapped ? 1 : 3));
  }

  void WriteRow(const jpeg_decompress_struct& info, JDIMENSION, const JSAMPLE* row) override {
    for (JDIMENSION x = 0; x < info.output_width; ++x) {
      const JSAMPLE* pixel = row + x * info.output_components;
      if (m_mapped) {
        m_row[x] = pixel[0];
        continue;
      }
      BYTE rgb[3];
      decoded::SampleColour(info, pixel, rgb);
      if (m_grey) {
        m_row[x] = rgb[0];
      } else {
        m_row[3 * x] = rgb[2];
        m_row[3 * x + 1] = rgb[1];
        m_row[3 * x + 2] = rgb[0];
      }
    }
    m_out.Put(m_row.data(), m_row.size());
  }

  void Finish(const jpeg_decompress_struct&) override { m_out.Flush(); }

 private:
  decoded::BufferedOutput m_out;
  bool m_grey = false;
  bool m_mapped = false;
  std::vector<BYTE> m_row;
};

}  // namespace

std::unique_ptr<DecodedImageWriter> MakeTargaWriter(CFile& file) {
  return std::make_unique<TargaWriter>(file);
}

}  // namespace graphics
