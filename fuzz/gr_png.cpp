// Fuzzes PNG reading from memory and through the picture object from an open file,
// then writes a decoded picture out again with interlacing and transparency. Inputs
// whose header claims more than a few million pixels are passed over.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "Pics.h"
#include "graphics/formats/png/png_reader.h"

namespace {

constexpr std::uint64_t kMaxPixels = 1u << 22;

std::string ScratchFile(const char* suffix) {
  char name[] = "/tmp/fuzz_gr_png_XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) std::abort();
  close(fd);
  unlink(name);
  return std::string(name) + suffix;
}

std::uint32_t BigEndian(const std::uint8_t* p) {
  return std::uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size >= 24 && std::uint64_t(BigEndian(data + 16)) * BigEndian(data + 20) > kMaxPixels)
    return 0;
  static const std::string input = ScratchFile(".png");
  static const std::string output = ScratchFile(".out.png");
  (void)graphics::ReadPngMemory(data, size);  // the DIB read is freed with the result
  {
    CFile file;
    if (!file.Open(input.c_str(), CFile::modeCreate | CFile::modeWrite)) return 0;
    file.Write(data, static_cast<UINT>(size));
    file.Close();
  }
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
  if (int(picture->m_width) * picture->m_height <= 65536) {
    picture->m_bPngInterlace = 1;
    picture->SavePicture(output.c_str(), PicturePNG);
  }
  CPics::ClosePicture(picture);
  return 0;
}
