#include "graphics/formats/registry/picture_facts.h"

#include "graphics/formats/bmp/bmp_header.h"
#include "graphics/formats/gif/gif_header.h"
#include "graphics/formats/jpeg/jpeg_header.h"
#include "graphics/formats/pcx/pcx_header.h"
#include "graphics/formats/png/png_header.h"
#include "graphics/formats/tga/tga_header.h"
#include "graphics/formats/tiff/tiff_header.h"
#include "graphics/formats/xbm/xbm_header.h"

namespace graphics {
namespace {

struct FactsReader {
  short type;
  std::optional<PictureFacts> (*read)(CFile& file);
};

// By type code; a format missing here is described by loading it.
constexpr FactsReader kFactsReaders[] = {
    {PictureGIF, ReadGifFacts},   {PictureBMP, ReadBmpFacts}, {PicturePCX, ReadPcxFacts},
    {PictureJPEG, ReadJpegFacts}, {PictureTGA, ReadTgaFacts}, {PictureTIFF, ReadTiffFacts},
    {PictureXBM, ReadXbmFacts},   {PicturePNG, ReadPngFacts},
};

}  // namespace

std::optional<PictureFacts> ReadPictureFacts(short type, CFile& file) {
  for (const FactsReader& reader : kFactsReaders)
    if (reader.type == type) {
      file.SeekToBegin();
      return reader.read(file);
    }
  return std::nullopt;
}

}  // namespace graphics
