// BMP output of the decompression front end, Windows (40-byte header, 4-byte colour
// entries) or OS/2 1.x (12-byte header, 3-byte entries), and the same Windows layout as
// a DIB in memory. Colour-mapped and grey output is 8 bits with a 256-entry colour
// table; full colour is 24 bits. Rows are stored bottom-up, so each row is written at
// its place as it arrives.
#include <cerrno>
#include <cstring>
#include <vector>

#include "graphics/core/dib_block.h"
#include "graphics/formats/jpeg/djpeg_writer.h"

namespace graphics {
namespace {

void PutU16(std::vector<BYTE>& out, unsigned value) {
  out.push_back(BYTE(value));
  out.push_back(BYTE(value >> 8));
}
void PutU32(std::vector<BYTE>& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(BYTE(value >> (8 * i)));
}

// Whether a BMP file (and so the DIB read from it) can hold this output.
bool BmpFits(const jpeg_decompress_struct& info, bool os2, std::string* error) {
  if (!decoded::IsGreyOrRgb(info)) {
    *error = "BMP output must be grayscale or RGB";
    return false;
  }
  const bool mapped = info.quantize_colors || info.out_color_space == JCS_GRAYSCALE;
  const std::uint64_t rowBytes =
      ((std::uint64_t(info.output_width) * (mapped ? 1 : 3)) + 3) & ~3ull;
  const std::uint64_t total = 14 + 40 + 1024 + rowBytes * info.output_height;
  if (os2 && (info.output_width > 0xFFFF || info.output_height > 0xFFFF)) {
    *error = "picture too large for an OS/2 BMP file";
    return false;
  }
  if (total > 0xFFFFFFFFull) {
    *error = "picture too large for a BMP file";
    return false;
  }
  return true;
}

// The layout of the output once the library has started: 8 bits with a 256-entry
// table when colour-mapped or grey, else 24 bits; rows padded to 4 bytes.
struct BmpShape {
  explicit BmpShape(const jpeg_decompress_struct& info, bool os2)
      : mapped(info.quantize_colors || info.out_color_components == 1),
        rowBytes(((info.output_width * (mapped ? 1u : 3u)) + 3) & ~3u),
        height(info.output_height),
        headerSize(os2 ? 12 : 40),
        paletteSize(mapped ? 256u * (os2 ? 3 : 4) : 0) {}
  bool mapped;
  std::uint32_t rowBytes, height, headerSize, paletteSize;
};

void AppendColourTable(const jpeg_decompress_struct& info, bool os2, std::vector<BYTE>& out) {
  for (int i = 0; i < 256; ++i) {
    BYTE rgb[3] = {0, 0, 0};
    if (!info.quantize_colors) {
      rgb[0] = rgb[1] = rgb[2] = BYTE(i);
    } else if (i < info.actual_number_of_colors) {
      const JSAMPLE index = JSAMPLE(i);
      decoded::SampleColour(info, &index, rgb);
    }
    out.push_back(rgb[2]);
    out.push_back(rgb[1]);
    out.push_back(rgb[0]);
    if (!os2) out.push_back(0);
  }
}

// The information header and colour table: the DIB's head, as the file holds it
// after its 14-byte file header.
std::vector<BYTE> DibHead(const jpeg_decompress_struct& info, const BmpShape& shape, bool os2) {
  std::vector<BYTE> head;
  PutU32(head, shape.headerSize);
  const unsigned bits = shape.mapped ? 8 : 24;
  if (os2) {
    PutU16(head, info.output_width);
    PutU16(head, info.output_height);
    PutU16(head, 1);
    PutU16(head, bits);
  } else {
    // Pixels per metre only when the JPEG gives its density in dots per centimetre.
    const std::uint32_t xPerMetre = info.density_unit == 2 ? info.X_density * 100u : 0;
    const std::uint32_t yPerMetre = info.density_unit == 2 ? info.Y_density * 100u : 0;
    PutU32(head, info.output_width);
    PutU32(head, info.output_height);
    PutU16(head, 1);
    PutU16(head, bits);
    PutU32(head, 0);  // no compression
    PutU32(head, 0);  // image size left to the reader
    PutU32(head, xPerMetre);
    PutU32(head, yPerMetre);
    PutU32(head, shape.mapped ? 256 : 0);
    PutU32(head, 0);
  }
  if (shape.mapped) AppendColourTable(info, os2, head);
  return head;
}

class BmpWriter : public DecodedImageWriter {
 public:
  BmpWriter(CFile& file, bool os2) : m_file(file), m_os2(os2) {}

  bool Prepare(jpeg_decompress_struct& info, std::string* error) override {
    return BmpFits(info, m_os2, error);
  }

  void Begin(const jpeg_decompress_struct& info) override {
    const BmpShape shape(info, m_os2);
    m_mapped = shape.mapped;
    m_rowBytes = shape.rowBytes;
    m_height = shape.height;
    m_pixelOffset = 14 + shape.headerSize + shape.paletteSize;
    const std::uint32_t fileSize = m_pixelOffset + m_rowBytes * m_height;

    std::vector<BYTE> head = {'B', 'M'};
    PutU32(head, fileSize);
    PutU32(head, 0);
    PutU32(head, m_pixelOffset);
    const std::vector<BYTE> dib = DibHead(info, shape, m_os2);
    head.insert(head.end(), dib.begin(), dib.end());
    m_file.Write(head.data(), static_cast<UINT>(head.size()));
    m_row.assign(m_rowBytes, 0);
  }

  void WriteRow(const jpeg_decompress_struct& info, JDIMENSION y, const JSAMPLE* row) override {
    if (m_mapped) {
      std::memcpy(m_row.data(), row, info.output_width);
    } else {
      for (JDIMENSION x = 0; x < info.output_width; ++x) {
        m_row[3 * x] = row[3 * x + 2];
        m_row[3 * x + 1] = row[3 * x + 1];
        m_row[3 * x + 2] = row[3 * x];
      }
    }
    m_file.Seek(std::int64_t(m_pixelOffset) + std::int64_t(m_rowBytes) * (m_height - 1 - y),
                CFile::begin);
    m_file.Write(m_row.data(), m_rowBytes);
  }

  void Finish(const jpeg_decompress_struct&) override {}

 private:
  CFile& m_file;
  bool m_os2;
  bool m_mapped = false;
  std::uint32_t m_rowBytes = 0;
  std::uint32_t m_height = 0;
  std::uint32_t m_pixelOffset = 0;
  std::vector<BYTE> m_row;
};

// The same picture straight into a packed DIB in memory: what reading the Windows BMP
// file back would give, without the file. Full-colour rows come from the library
// already in blue, green, red order, and every row is decoded in its place.
class DibWriter : public DecodedImageWriter {
 public:
  bool Prepare(jpeg_decompress_struct& info, std::string* error) override {
    if (!BmpFits(info, false, error)) return false;
    if (info.out_color_space == JCS_RGB && !info.quantize_colors)
      info.out_color_space = JCS_EXT_BGR;
    return true;
  }

  void Begin(const jpeg_decompress_struct& info) override {
    const BmpShape shape(info, false);
    const std::vector<BYTE> head = DibHead(info, shape, false);
    m_rowBytes = shape.rowBytes;
    m_height = shape.height;
    m_block = DibHandle::Allocate(head.size() + std::uint64_t(m_rowBytes) * m_height);
    m_data = static_cast<BYTE*>(GlobalLock(m_block.get()));
    if (m_data == nullptr) throw CFileException(CFileException::generic, ENOMEM);
    std::memcpy(m_data, head.data(), head.size());
    m_pixels = m_data + head.size();
  }

  JSAMPLE* RowTarget(JDIMENSION y) override {
    return m_pixels + std::size_t(m_rowBytes) * (m_height - 1 - y);
  }
  void WriteRow(const jpeg_decompress_struct&, JDIMENSION, const JSAMPLE*) override {}
  void Finish(const jpeg_decompress_struct&) override {
    GlobalUnlock(m_block.get());
    m_data = nullptr;
  }

  HGLOBAL Take() override {
    if (m_data != nullptr) return nullptr;  // not finished
    return m_block.release();
  }

 private:
  DibHandle m_block;
  BYTE* m_data = nullptr;
  BYTE* m_pixels = nullptr;
  std::uint32_t m_rowBytes = 0, m_height = 0;
};

}  // namespace

std::unique_ptr<DecodedImageWriter> MakeBmpWriter(CFile& file, bool os2) {
  return std::make_unique<BmpWriter>(file, os2);
}

std::unique_ptr<DecodedImageWriter> MakeDibWriter() { return std::make_unique<DibWriter>(); }

}  // namespace graphics
