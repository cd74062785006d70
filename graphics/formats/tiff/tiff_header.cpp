#include "graphics/formats/tiff/tiff_header.h"

#include <tiffio.h>

#include <memory>

#include "graphics/formats/coder/decoded_dib.h"
#include "graphics/formats/tiff/tiff_file_client.h"

namespace graphics {
namespace {

// Messages are dropped: a refused directory is a plain "cannot tell".
int Quiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffCloser {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

bool DecoderReads(TIFF* tiff) {
  uint16_t photometric = 0;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
  if (photometric == PHOTOMETRIC_PALETTE) {
    uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    if (!TIFFGetField(tiff, TIFFTAG_COLORMAP, &red, &green, &blue)) return false;
  }
  char message[1024] = "";
  return TIFFRGBAImageOK(tiff, message) != 0;
}

// Every strip (or tile) of the picture lies inside the file: one cut short fails to
// load, so it is left to a load rather than described.
bool StripsInside(TIFF* tiff, std::uint64_t length) {
  const uint32_t count = TIFFIsTiled(tiff) ? TIFFNumberOfTiles(tiff) : TIFFNumberOfStrips(tiff);
  for (uint32_t i = 0; i < count; ++i) {
    int error = 0;
    const uint64_t offset = TIFFGetStrileOffsetWithErr(tiff, i, &error);
    const uint64_t bytes = TIFFGetStrileByteCountWithErr(tiff, i, &error);
    if (error != 0 || offset > length || bytes > length - offset) return false;
  }
  return true;
}

}  // namespace

std::optional<PictureFacts> ReadTiffFacts(CFile& file) {
  std::unique_ptr<TIFFOpenOptions, void (*)(TIFFOpenOptions*)> options(TIFFOpenOptionsAlloc(),
                                                                       TIFFOpenOptionsFree);
  if (!options) return std::nullopt;
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), Quiet, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), Quiet, nullptr);
  std::unique_ptr<TIFF, TiffCloser> tiff(OpenTiffOnFile(file, "facts", "r", options.get()));
  if (!tiff) return std::nullopt;
  uint32_t width = 0, height = 0;
  if (!TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width) ||
      !TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height))
    return std::nullopt;
  if (width < 1 || height < 1 || width > unsigned(kMaxPictureSide) ||
      height > unsigned(kMaxPictureSide) || !DecoderReads(tiff.get()) ||
      !StripsInside(tiff.get(), file.GetLength()))
    return std::nullopt;
  return PictureFacts{int(width), int(height), 24, 0};
}

}  // namespace graphics
