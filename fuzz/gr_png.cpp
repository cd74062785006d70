// Fuzzes PNG reading from memory and through the picture object from an open file,
// then writes a decoded picture out again with interlacing and transparency. Inputs
// whose header claims more than a few million pixels are passed over.
#include <cstdint>

#include "coder_fuzz.h"
#include "graphics/formats/png/png_reader.h"

namespace {

constexpr std::uint64_t kMaxPixels = 1u << 22;

std::uint32_t BigEndian(const std::uint8_t* p) {
  return std::uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size >= 24 && std::uint64_t(BigEndian(data + 16)) * BigEndian(data + 20) > kMaxPixels)
    return 0;
  static const std::string input = coder_fuzz::ScratchFile(".png");
  static const std::string output = coder_fuzz::ScratchFile(".out.png");
  (void)graphics::ReadPngMemory(data, size);  // the DIB read is freed with the result
  if (!coder_fuzz::WriteInput(input, data, size)) return 0;
  CFile file;
  if (!file.Open(input.c_str(), CFile::modeRead)) return 0;
  // Bytes that name another type reach that type's coder; TIFF decoding errors
  // arrive as exceptions, as a host sees them.
  CPics* picture = nullptr;
  try {
    picture = CPics::OpenPicture(&file);
  } catch (const CTextException&) {
  }
  if (picture == nullptr) return 0;
  coder_fuzz::ExpectFactsOf(input, picture);
  if (coder_fuzz::SmallEnoughToWrite(*picture)) {
    picture->m_bPngInterlace = 1;
    picture->SavePicture(output.c_str(), PicturePNG);
  }
  CPics::ClosePicture(picture);
  return 0;
}
