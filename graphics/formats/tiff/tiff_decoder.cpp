// The TIFF decoding step: palette and grey pictures of up to 8 bits become 8-bit
// bitmaps with their palette; 8-bit RGB(A) strips are read row by row; everything
// else goes through libtiff's RGBA reader into a 32-bit bitmap.
#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "graphics/formats/coder/pic_decoder.h"
#include "graphics/formats/tiff/tiff_memory_client.h"
#include "graphics/formats/tiff/tiff_messages.h"

namespace graphics {

GRAPHICS_RUNTIME_CLASS(CTIFFDecoder)

namespace {

TIFF* AsTiff(void* tiff) { return static_cast<TIFF*>(tiff); }

// Closes the handle on every way out of the decoding step.
struct TiffCloser {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

[[noreturn]] void RaiseLibraryError(const char* detail = nullptr) {
  const std::string& last = LastTiffMessage();
  CPicDecoder::RaiseError(DecoderErrLibrary,
                          detail != nullptr && *detail != '\0' ? detail : last.c_str());
}

template <class T>
std::vector<T> AllocateOrRaise(std::size_t count, const char* what) {
  try {
    return std::vector<T>(count);
  } catch (const std::bad_alloc&) {
    CPicDecoder::RaiseError(DecoderErrNoMemory, what);
  } catch (const std::length_error&) {
    CPicDecoder::RaiseError(DecoderErrNoMemory, what);
  }
}

// Unpacks one row of 1, 2 or 4-bit samples to one byte per pixel, first pixel in the
// high bits; 8-bit rows are copied.
void UnpackRow(const BYTE* source, int bits, int width, BYTE* dest) {
  if (bits == 8) {
    std::memcpy(dest, source, std::size_t(width));
    return;
  }
  const int perByte = 8 / bits;
  const int mask = (1 << bits) - 1;
  for (int x = 0; x < width; ++x) {
    const int shift = 8 - bits * (x % perByte + 1);
    dest[x] = BYTE((source[x / perByte] >> shift) & mask);
  }
}

bool IsLowColor(TIFF* tiff, uint16_t bits, uint16_t samples) {
  if (samples != 1 || bits > 8) return false;
  uint16_t photometric = 0;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
  const bool knownPhotometric = photometric == PHOTOMETRIC_MINISWHITE ||
                                photometric == PHOTOMETRIC_MINISBLACK ||
                                photometric == PHOTOMETRIC_PALETTE;
  if (!knownPhotometric)
    CPicDecoder::Trace(2, "unexpected PhotometricInterpretation in CTIFFDecoder::DoLoColor()");
  // Tiles and odd sample sizes are left to the RGBA reader, which knows them.
  return knownPhotometric && !TIFFIsTiled(tiff) &&
         (bits == 1 || bits == 2 || bits == 4 || bits == 8);
}

// Colour of a pixel whose colours were multiplied by its alpha, rounded to nearest.
void Unpremultiply(BYTE* bgra) {
  const unsigned alpha = bgra[3];
  if (alpha == 0 || alpha == 255) return;
  for (int i = 0; i < 3; ++i) bgra[i] = BYTE(std::min(255u, (bgra[i] * 255u + alpha / 2) / alpha));
}

}  // namespace

void CTIFFDecoder::DoDecode() {
  InstallDecodingTiffHandlers();
  const std::size_t used = static_cast<std::size_t>(m_source->ReadPos() - m_source->StartPos());
  TiffHandle tiff(OpenTiffInMemory(m_source->ReadPos(), m_source->Size() - used));
  if (!tiff) RaiseLibraryError();
  uint16_t bits = 0, samples = 0;
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
  if (IsLowColor(tiff.get(), bits, samples))
    DecodeLowColor(tiff.get());
  else
    DecodeHighColor(tiff.get());
}

void CTIFFDecoder::DecodeLowColor(void* handle) {
  TIFF* tiff = AsTiff(handle);
  uint32_t width = 0, height = 0;
  uint16_t bits = 1, photometric = 0;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
  const uint64_t lineSize = TIFFScanlineSize64(tiff);
  const uint64_t needed = (uint64_t(width) * bits + 7) / 8;
  if (lineSize == 0 || lineSize < needed) RaiseLibraryError();

  m_bmp->Create(int(std::min<uint32_t>(width, INT32_MAX)),
                int(std::min<uint32_t>(height, INT32_MAX)), 8, false);
  try {
    m_palette = std::make_unique<RGBQUAD[]>(256);
  } catch (const std::bad_alloc&) {
    RaiseError(DecoderErrNoMemory, "Out of memory allocating TIFF palette.");
  }
  std::vector<BYTE> line = AllocateOrRaise<BYTE>(static_cast<std::size_t>(lineSize),
                                                 "Out of memory allocating TIFF buffer.");

  const int entries = 1 << bits;
  if (photometric == PHOTOMETRIC_PALETTE) {
    uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    if (!TIFFGetField(tiff, TIFFTAG_COLORMAP, &red, &green, &blue) || !red || !green || !blue)
      RaiseLibraryError("Missing required \"Colormap\" tag.");
    bool sixteenBit = false;
    for (int i = 0; i < entries; ++i)
      sixteenBit |= red[i] >= 256 || green[i] >= 256 || blue[i] >= 256;
    // The high byte of a 16-bit value: exact for maps written as v x 257 and as v x 256.
    const auto level = [sixteenBit](uint16_t v) { return BYTE(sixteenBit ? v >> 8 : v); };
    for (int i = 0; i < entries; ++i)
      m_palette[i] = RGBQUAD{level(blue[i]), level(green[i]), level(red[i]), 255};
  } else {
    const int step = 255 / (entries - 1);
    for (int i = 0; i < entries; ++i) {
      const BYTE v =
          BYTE(photometric == PHOTOMETRIC_MINISWHITE ? (entries - 1 - i) * step : i * step);
      m_palette[i] = RGBQUAD{v, v, v, 255};
    }
  }

  BYTE** lines = m_bmp->GetLineArray();
  for (uint32_t y = 0; y < height; ++y) {
    if (TIFFReadScanline(tiff, line.data(), y, 0) < 0) RaiseLibraryError();
    UnpackRow(line.data(), bits, int(width), lines[y]);
  }
  m_bmp->SetPalette(m_palette.get());
}

// 8-bit RGB or RGBA in strips: rows read directly, alpha kept as stored.
bool CTIFFDecoder::DecodeChunkyRgb(void* handle) {
  TIFF* tiff = AsTiff(handle);
  uint16_t bits = 0, samples = 0, photometric = 0, planar = PLANARCONFIG_CONTIG;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
  uint16_t orientation = ORIENTATION_TOPLEFT;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_ORIENTATION, &orientation);
  if (bits != 8 || samples < 3 || photometric != PHOTOMETRIC_RGB || planar != PLANARCONFIG_CONTIG ||
      TIFFIsTiled(tiff) || orientation != ORIENTATION_TOPLEFT)
    return false;
  uint16_t extraCount = 0;
  uint16_t* extraTypes = nullptr;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes);
  const bool alpha =
      samples >= 4 && extraCount > 0 && extraTypes != nullptr &&
      (extraTypes[0] == EXTRASAMPLE_ASSOCALPHA || extraTypes[0] == EXTRASAMPLE_UNASSALPHA);
  uint32_t width = 0, height = 0;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
  const uint64_t lineSize = TIFFScanlineSize64(tiff);
  if (lineSize < uint64_t(width) * samples) return false;

  m_bmp->Create(int(std::min<uint32_t>(width, INT32_MAX)),
                int(std::min<uint32_t>(height, INT32_MAX)), 32, alpha);
  std::vector<BYTE> line = AllocateOrRaise<BYTE>(static_cast<std::size_t>(lineSize),
                                                 "Out of memory allocating TIFF buffer.");
  BYTE** lines = m_bmp->GetLineArray();
  for (uint32_t y = 0; y < height; ++y) {
    if (TIFFReadScanline(tiff, line.data(), y, 0) < 0) RaiseLibraryError();
    const BYTE* from = line.data();
    BYTE* to = lines[y];
    for (uint32_t x = 0; x < width; ++x, from += samples, to += 4) {
      to[0] = from[2];
      to[1] = from[1];
      to[2] = from[0];
      to[3] = alpha ? from[3] : 255;
    }
  }
  return true;
}

void CTIFFDecoder::DecodeHighColor(void* handle) {
  TIFF* tiff = AsTiff(handle);
  if (DecodeChunkyRgb(tiff)) return;
  char message[1024] = "";
  TIFFRGBAImage image{};
  if (!TIFFRGBAImageOK(tiff, message) || !TIFFRGBAImageBegin(&image, tiff, 0, message))
    RaiseLibraryError(message);
  struct ImageEnd {
    TIFFRGBAImage* image;
    ~ImageEnd() { TIFFRGBAImageEnd(image); }
  } end{&image};

  const uint32_t width = image.width, height = image.height;
  m_bmp->Create(int(std::min<uint32_t>(width, INT32_MAX)),
                int(std::min<uint32_t>(height, INT32_MAX)), 32, image.alpha != 0);
  // Read in bands of about a million pixels rather than one raster of the whole
  // picture, which would double the memory a large picture needs.
  image.req_orientation = ORIENTATION_TOPLEFT;
  const uint32_t band = std::max<uint32_t>(1, std::min<uint32_t>(height, (1u << 20) / width));
  std::vector<uint32_t> raster =
      AllocateOrRaise<uint32_t>(std::size_t(width) * band, "Out of memory allocating TIFF buffer.");
  // The RGBA reader multiplies unassociated alpha into the colours; undo it.
  const bool unassociated = image.alpha == EXTRASAMPLE_UNASSALPHA;
  BYTE** lines = m_bmp->GetLineArray();
  for (uint32_t top = 0; top < height; top += band) {
    const uint32_t rows = std::min(band, height - top);
    image.row_offset = int(top);
    image.col_offset = 0;
    if (!TIFFRGBAImageGet(&image, raster.data(), width, rows)) RaiseLibraryError();
    for (uint32_t r = 0; r < rows; ++r) {
      const uint32_t* from = raster.data() + std::size_t(r) * width;
      BYTE* to = lines[top + r];
      for (uint32_t x = 0; x < width; ++x, to += 4) {
        const uint32_t p = from[x];
        to[0] = BYTE(TIFFGetB(p));
        to[1] = BYTE(TIFFGetG(p));
        to[2] = BYTE(TIFFGetR(p));
        to[3] = BYTE(TIFFGetA(p));
        if (unassociated) Unpremultiply(to);
      }
    }
  }
}

}  // namespace graphics
