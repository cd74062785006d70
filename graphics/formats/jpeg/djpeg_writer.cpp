#include "graphics/formats/jpeg/djpeg_writer.h"

#include <cstring>

namespace graphics {

std::unique_ptr<DecodedImageWriter> MakeDecodedImageWriter(DecodedFormat format, CFile& file) {
  switch (format) {
    case DecodedFormat::WindowsBmp:
      return MakeBmpWriter(file, false);
    case DecodedFormat::Os2Bmp:
      return MakeBmpWriter(file, true);
    case DecodedFormat::Gif:
      return MakeGifWriter(file);
    case DecodedFormat::Pnm:
      return MakePnmWriter(file);
    case DecodedFormat::Targa:
      return MakeTargaWriter(file);
  }
  return nullptr;
}

namespace decoded {

bool IsGreyOrRgb(const jpeg_decompress_struct& info) {
  return info.out_color_space == JCS_GRAYSCALE || info.out_color_space == JCS_RGB;
}

void SampleColour(const jpeg_decompress_struct& info, const JSAMPLE* pixel, BYTE rgb[3]) {
  if (info.quantize_colors) {
    const int index = pixel[0];
    if (info.out_color_components == 1) {
      rgb[0] = rgb[1] = rgb[2] = info.colormap[0][index];
    } else {
      for (int c = 0; c < 3; ++c) rgb[c] = info.colormap[c][index];
    }
  } else if (info.out_color_components == 1) {
    rgb[0] = rgb[1] = rgb[2] = pixel[0];
  } else {
    std::memcpy(rgb, pixel, 3);
  }
}

void BufferedOutput::Put(const void* data, std::size_t size) {
  m_buffer.append(static_cast<const char*>(data), size);
  if (m_buffer.size() >= (1u << 16)) Flush();
}

void BufferedOutput::Flush() {
  if (m_buffer.empty()) return;
  m_file.Write(m_buffer.data(), static_cast<UINT>(m_buffer.size()));
  m_buffer.clear();
}

}  // namespace decoded
}  // namespace graphics
