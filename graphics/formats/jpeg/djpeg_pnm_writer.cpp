// PPM / PGM output of the decompression front end: binary P6 for colour, P5 for
// grey, maximum value 255. Colour-mapped output is written as the colours it maps to.
#include <string>
#include <vector>

#include "graphics/formats/jpeg/djpeg_writer.h"

namespace graphics {
namespace {

class PnmWriter : public DecodedImageWriter {
 public:
  explicit PnmWriter(CFile& file) : m_out(file) {}

  bool Prepare(jpeg_decompress_struct& info, std::string* error) override {
    if (decoded::IsGreyOrRgb(info)) return true;
    *error = "PPM output must be grayscale or RGB";
    return false;
  }

  void Begin(const jpeg_decompress_struct& info) override {
    m_grey = info.out_color_components == 1;
    const std::string head = std::string(m_grey ? "P5\n" : "P6\n") +
                             std::to_string(info.output_width) + " " +
                             std::to_string(info.output_height) + "\n255\n";
    m_out.Put(head.data(), head.size());
    m_row.resize(std::size_t(info.output_width) * (m_grey ? 1 : 3));
  }

  void WriteRow(const jpeg_decompress_struct& info, JDIMENSION, const JSAMPLE* row) override {
    for (JDIMENSION x = 0; x < info.output_width; ++x) {
      BYTE rgb[3];
      decoded::SampleColour(info, row + x * info.output_components, rgb);
      if (m_grey) {
        m_row[x] = rgb[0];
      } else {
        for (int c = 0; c < 3; ++c) m_row[3 * x + c] = rgb[c];
      }
    }
    m_out.Put(m_row.data(), m_row.size());
  }

  void Finish(const jpeg_decompress_struct&) override { m_out.Flush(); }

 private:
  decoded::BufferedOutput m_out;
  bool m_grey = false;
  std::vector<BYTE> m_row;
};

}  // namespace

std::unique_ptr<DecodedImageWriter> MakePnmWriter(CFile& file) {
  return std::make_unique<PnmWriter>(file);
}

}  // namespace graphics
