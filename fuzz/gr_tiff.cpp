// Fuzzes TIFF decoding: the decoder framework on the bytes in memory (recognition, the
// low- and high-colour steps) and the picture object from an open file, then writes a
// decoded picture out again. Inputs that claim more than a few million pixels are
// passed over: they only make the search slow, not reach new code.
#include <tiffio.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "Pics.h"
#include "graphics/formats/coder/pic_decoder.h"
#include "graphics/formats/tiff/tiff_memory_client.h"
#include "graphics/formats/tiff/tiff_messages.h"
#include "graphics/formats/tiff/tiff_writer.h"

namespace {

constexpr std::uint64_t kMaxPixels = 1u << 22;

std::string ScratchFile(const char* suffix) {
  char name[] = "/tmp/fuzz_gr_tiff_XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) std::abort();
  close(fd);
  unlink(name);
  return std::string(name) + suffix;
}

bool SmallEnough(const std::uint8_t* data, std::size_t size) {
  graphics::InstallSilentTiffHandlers();
  TIFF* tiff = graphics::OpenTiffInMemory(data, size);
  if (tiff == nullptr) return true;  // refused at once anyway
  uint32_t width = 0, height = 0;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
  TIFFClose(tiff);
  return std::uint64_t(width) * height <= kMaxPixels;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!SmallEnough(data, size)) return 0;
  static const std::string input = ScratchFile(".tif");
  static const std::string output = ScratchFile(".out.tif");
  {
    graphics::CDataSource source;
    source.Open("fuzz", data, size);
    graphics::CAnyPicDecoder decoder;
    graphics::CWinBmp bitmap;
    try {
      decoder.MakeBmp(&source, &bitmap, 0);
    } catch (const CTextException&) {
    }
  }
  {
    CFile file;
    if (!file.Open(input.c_str(), CFile::modeCreate | CFile::modeWrite)) return 0;
    file.Write(data, static_cast<UINT>(size));
    file.Close();
  }
  CFile file;
  if (!file.Open(input.c_str(), CFile::modeRead)) return 0;
  try {
    CPics* picture = CPics::OpenPicture(&file);
    if (picture != nullptr) {
      if (int(picture->m_width) * picture->m_height <= 65536)
        picture->SavePicture(output.c_str(), PictureTIFF);
      CPics::ClosePicture(picture);
    }
  } catch (const CTextException&) {
  }
  return 0;
}
