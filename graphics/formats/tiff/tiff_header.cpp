#include "graphics/formats/tiff/tiff_header.h"

#include <tiffio.h>

#include <memory>

#include "graphics/formats/coder/decoded_dib.h"

namespace graphics {
namespace {

struct FileClient {
  CFile* file;
  std::uint64_t start;
};

FileClient& ClientOf(thandle_t handle) { return *static_cast<FileClient*>(handle); }

tmsize_t Read(thandle_t handle, void* buffer, tmsize_t size) {
  try {
    return tmsize_t(ClientOf(handle).file->Read(buffer, static_cast<UINT>(size)));
  } catch (const CFileException&) {
    return -1;
  }
}

tmsize_t Write(thandle_t, void*, tmsize_t) { return -1; }

toff_t Seek(thandle_t handle, toff_t offset, int whence) {
  FileClient& client = ClientOf(handle);
  try {
    if (whence == SEEK_SET)
      return client.file->Seek(std::int64_t(client.start + offset), CFile::begin) - client.start;
    return client.file->Seek(std::int64_t(offset), UINT(whence)) - client.start;
  } catch (const CFileException&) {
    return toff_t(-1);
  }
}

int Close(thandle_t) { return 0; }

toff_t Size(thandle_t handle) {
  const FileClient& client = ClientOf(handle);
  return client.file->GetLength() - client.start;
}

// Messages are dropped: a refused directory is a plain "cannot tell".
int Quiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffCloser {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

bool DecoderReads(TIFF* tiff) {
  uint16_t bits = 0, samples = 0, photometric = 0;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
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
  FileClient client{&file, file.GetPosition()};
  std::unique_ptr<TIFFOpenOptions, void (*)(TIFFOpenOptions*)> options(TIFFOpenOptionsAlloc(),
                                                                       TIFFOpenOptionsFree);
  if (!options) return std::nullopt;
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), Quiet, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), Quiet, nullptr);
  // "m": no memory mapping, the file is read through the procedures above.
  std::unique_ptr<TIFF, TiffCloser> tiff(TIFFClientOpenExt(
      "facts", "rm", &client, Read, Write, Seek, Close, Size, nullptr, nullptr, options.get()));
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
