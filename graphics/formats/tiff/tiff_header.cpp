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
      height > unsigned(kMaxPictureSide) || !DecoderReads(tiff.get()))
    return std::nullopt;
  return PictureFacts{int(width), int(height), 24, 0};
}

}  // namespace graphics
