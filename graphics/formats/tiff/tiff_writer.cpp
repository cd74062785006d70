#include "graphics/formats/tiff/tiff_writer.h"

#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "graphics/formats/coder/bilevel_dither.h"
#include "graphics/formats/tiff/tiff_file_client.h"
#include "graphics/formats/tiff/tiff_messages.h"
#include "graphics/platform/replacing_file.h"

namespace graphics {
namespace {

// A TIFF handle on the temporary file of a ReplacingFile; Finish renames it into place.
class TiffOutput {
 public:
  bool Open(const char* path) {
    if (path == nullptr || !m_file.Open(path)) return false;
    InstallSilentTiffHandlers();
    m_tiff = OpenTiffOnFile(m_file.File(), path, "wm");
    return m_tiff != nullptr;
  }
  ~TiffOutput() {
    if (m_tiff != nullptr) TIFFClose(m_tiff);
  }
  TIFF* get() const { return m_tiff; }
  bool Finish() {
    // Writing the directory is the last step; a failure there leaves no usable file.
    const bool flushed = TIFFFlush(m_tiff) == 1;
    TIFFClose(m_tiff);
    m_tiff = nullptr;
    if (!flushed) return false;
    try {
      m_file.Commit();
    } catch (const CFileException&) {
      return false;
    }
    return true;
  }

 private:
  ReplacingFile m_file;
  TIFF* m_tiff = nullptr;
};

void SetCommonTags(TIFF* tiff, int width, int height, int samples, int bits, int photometric,
                   int compression) {
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(width));
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(height));
  TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, uint16_t(samples));
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, uint16_t(bits));
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, uint16_t(photometric));
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, uint16_t(compression));
}

void SetRowsPerStrip(TIFF* tiff) {
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, uint32_t(-1)));
}

// A 256-entry colour map: `count` colours scaled to 16 bits (v x 257), the rest 0.
void SetColorMap(TIFF* tiff, const RGBQUAD* colors, int count) {
  std::vector<uint16_t> red(256, 0), green(256, 0), blue(256, 0);
  for (int i = 0; i < count && i < 256 && colors != nullptr; ++i) {
    red[i] = uint16_t(colors[i].rgbRed * 65535 / 255);
    green[i] = uint16_t(colors[i].rgbGreen * 65535 / 255);
    blue[i] = uint16_t(colors[i].rgbBlue * 65535 / 255);
  }
  TIFFSetField(tiff, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
}

void BgrToRgb(const BYTE* from, int width, int step, BYTE* to) {
  for (int x = 0; x < width; ++x, from += step, to += 3) {
    to[0] = from[2];
    to[1] = from[1];
    to[2] = from[0];
  }
}

int g_lastCompression = COMPRESSION_NONE;  // library-wide, as the previous call left it

int CompressionOf(int selector) {
  static const int kTags[] = {COMPRESSION_NONE, COMPRESSION_PACKBITS,  COMPRESSION_CCITTRLE,
                              COMPRESSION_LZW,  COMPRESSION_CCITTFAX3, COMPRESSION_CCITTFAX4};
  if (selector >= 0 && selector <= 5) g_lastCompression = kTags[selector];
  return g_lastCompression;
}

}  // namespace

int WriteDibAsTiff(const char* path, const void* dib) {
  if (dib == nullptr) return 0;
  const int bits = CPics::DIBBitsPerPixel(dib);
  const int width = CPics::DIBWidth(dib), height = CPics::DIBHeight(dib);
  if ((bits != 8 && bits != 24) || width <= 0 || height <= 0) return 0;
  TiffOutput output;
  if (!output.Open(path)) return 0;
  TIFF* tiff = output.get();
  SetCommonTags(tiff, width, height, bits == 24 ? 3 : 1, 8,
                bits == 24 ? PHOTOMETRIC_RGB : PHOTOMETRIC_PALETTE, COMPRESSION_LZW);
  SetRowsPerStrip(tiff);
  if (bits == 8) {
    // The map is scaled to 16 bits, as every reader expects; ours reads both forms.
    const bool triplets = CPics::DIBHeaderSize(dib) == sizeof(BITMAPCOREHEADER);
    const BYTE* table = CPics::DIBPalettePtr(dib);
    const int count = std::min(CPics::DIBNumberOfColors(dib), 256);
    std::vector<RGBQUAD> colors(256, RGBQUAD{0, 0, 0, 0});
    for (int i = 0; i < count; ++i) {
      const BYTE* entry = table + i * (triplets ? 3 : 4);
      colors[i] = RGBQUAD{entry[0], entry[1], entry[2], 0};
    }
    SetColorMap(tiff, colors.data(), count);
  }
  const DWORD stride = CPics::DIBByteWidth(dib);
  const BYTE* pixels = CPics::DIBImagePtr(dib);
  std::vector<BYTE> line(std::size_t(width) * (bits / 8));
  for (int r = 0; r < height; ++r) {
    const BYTE* row = pixels + std::size_t(height - 1 - r) * stride;
    if (bits == 24)
      BgrToRgb(row, width, 3, line.data());
    else
      std::memcpy(line.data(), row, std::size_t(width));
    if (TIFFWriteScanline(tiff, line.data(), uint32_t(r), 0) < 0) return 0;
  }
  return output.Finish() ? 1 : 0;
}

int WriteSectionAsTiff(const SectionView& section, const char* path, const TIFSaveOptions& options,
                       const RGBQUAD* colors, int colorCount) {
  if (!section.Valid()) return 0;
  const int type = options.imageType;
  const int width = section.width;
  const bool trueColor = section.bits == 24 || section.bits == 32;
  const bool palette = section.bits <= 8;
  int photometric = 0, samples = 1, bits = 8;
  switch (type) {
    case 0:
      photometric = PHOTOMETRIC_MINISBLACK, bits = 1;
      break;
    case 1:
      photometric = PHOTOMETRIC_MINISBLACK, bits = 4;
      break;
    case 2:
      photometric = PHOTOMETRIC_MINISBLACK, bits = 8;
      break;
    case 3:
      photometric = PHOTOMETRIC_RGB, samples = 3;
      break;
    case 4:
    case 5:
    case 6:
      photometric = PHOTOMETRIC_PALETTE, bits = section.bits;
      break;
    case 7:
      photometric = PHOTOMETRIC_SEPARATED, samples = 4;
      break;
    default:
      return 0;
  }
  // Grey types need colours to take levels from; the others need their own layout.
  if (type <= 2 && !(trueColor || palette)) return 0;
  if (type == 3 && !trueColor) return 0;
  if (type >= 4 && type <= 6 && !palette) return 0;
  if (type == 7 && section.bits != 32) return 0;
  const int compression = CompressionOf(options.compression);

  TiffOutput output;
  if (!output.Open(path)) return 0;
  TIFF* tiff = output.get();
  SetCommonTags(tiff, width, section.height, samples, bits, photometric, compression);
  if (photometric == PHOTOMETRIC_PALETTE) SetColorMap(tiff, colors, colorCount);
  SetRowsPerStrip(tiff);

  const RGBQUAD* table = palette ? colors : nullptr;
  std::vector<BYTE> grey(static_cast<std::size_t>(width));
  std::vector<BYTE> line(static_cast<std::size_t>(width) * 4 + 8);
  BilevelDither dither(width);
  for (int r = 0; r < section.height; ++r) {
    const BYTE* row = section.TopRow(r);
    const BYTE* out = line.data();
    if (type <= 2) GreyRow(row, section.bits, width, table, colorCount, grey.data());
    switch (type) {
      case 0:
        dither.Row(grey.data(), line.data(), r == section.height - 1);
        break;
      case 1:
        std::memset(line.data(), 0, std::size_t(width + 1) / 2);
        for (int x = 0; x < width; ++x)
          line[x / 2] |= BYTE(x % 2 == 0 ? grey[x] & 0xF0 : grey[x] >> 4);
        break;
      case 2:
        out = grey.data();
        break;
      case 3:
        BgrToRgb(row, width, section.bits / 8, line.data());
        break;
      default:
        out = row;
        break;  // the section's own indexes or 32-bit pixels
    }
    if (TIFFWriteScanline(tiff, const_cast<BYTE*>(out), uint32_t(r), 0) < 0) return 0;
  }
  return output.Finish() ? 1 : 0;
}

}  // namespace graphics
