#include "graphics/formats/registry/picture_facts.h"

#include <cstring>

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

bool FileEndsWith(CFile& file, const BYTE* tail, std::size_t bytes) {
  const std::uint64_t length = file.GetLength();
  if (length < bytes || bytes > 64) return false;
  BYTE last[64];
  file.Seek(std::int64_t(length - bytes), CFile::begin);
  return file.Read(last, UINT(bytes)) == bytes && std::memcmp(last, tail, bytes) == 0;
}

std::optional<PictureFacts> ReadPictureFacts(short type, CFile& file) {
  for (const FactsReader& reader : kFactsReaders)
    if (reader.type == type) {
      file.SeekToBegin();
      return reader.read(file);
    }
  return std::nullopt;
}

}  // namespace graphics
