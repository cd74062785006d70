// Fuzzes TIFF decoding: the decoder framework on the bytes in memory (recognition, the
// low- and high-colour steps) and the picture object from an open file, then writes a
// decoded picture out again. Inputs that claim more than a few million pixels are
// passed over: they only make the search slow, not reach new code.
#include <tiffio.h>

#include <cstdint>

#include "coder_fuzz.h"
#include "graphics/formats/coder/pic_decoder.h"
#include "graphics/formats/tiff/tiff_memory_client.h"
#include "graphics/formats/tiff/tiff_messages.h"
#include "graphics/formats/tiff/tiff_writer.h"

namespace {

constexpr std::uint64_t kMaxPixels = 1u << 22;

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
  static const std::string input = coder_fuzz::ScratchFile(".tif");
  static const std::string output = coder_fuzz::ScratchFile(".out.tif");
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
  if (!coder_fuzz::WriteInput(input, data, size)) return 0;
  CFile file;
  if (!file.Open(input.c_str(), CFile::modeRead)) return 0;
  try {
    CPics* picture = CPics::OpenPicture(&file);
    if (picture != nullptr) {
      coder_fuzz::ExpectFactsOf(input, picture);
      if (coder_fuzz::SmallEnoughToWrite(*picture))
        picture->SavePicture(output.c_str(), PictureTIFF);
      CPics::ClosePicture(picture);
    }
  } catch (const CTextException&) {
  }
  return 0;
}
