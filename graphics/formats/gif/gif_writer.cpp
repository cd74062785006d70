#include "graphics/formats/gif/gif_writer.h"

#include <algorithm>
#include <array>

#include "graphics/core/dib_block.h"
#include "graphics/formats/coder/buffered_file.h"
#include "graphics/formats/gif/gif_lzw_decoder.h"
#include "graphics/formats/gif/gif_run_length_encoder.h"
#include "graphics/platform/replacing_file.h"

namespace graphics {

namespace {

void PutU16(BufferedWriter& out, int value) {
  out.Put(BYTE(value & 0xFF));
  out.Put(BYTE((value >> 8) & 0xFF));
}

int LargestIndex(const GifIndexedImage& image) {
  int largest = 0;
  for (int y = 0; y < image.height(); ++y) {
    const BYTE* row = image.Row(y);
    largest = std::max<int>(largest, *std::max_element(row, row + image.width()));
    if (largest == 255) break;
  }
  return largest;
}

// The table entry nearest to a colour (squared distance, ties to the lower index).
int NearestEntry(const GifIndexedImage& image, COLORREF color) {
  int best = -1;
  long bestDistance = 0;
  for (int i = 0; i < image.colors(); ++i) {
    const long dr = long(image.red(i)) - GetRValue(color);
    const long dg = long(image.green(i)) - GetGValue(color);
    const long db = long(image.blue(i)) - GetBValue(color);
    const long distance = dr * dr + dg * dg + db * db;
    if (best < 0 || distance < bestDistance) {
      best = i;
      bestDistance = distance;
    }
  }
  return best;
}

}  // namespace

int GifTableBits(int colors) {
  int bits = 1;
  while (bits < 8 && (1 << bits) < colors) ++bits;
  return bits;
}

void WriteGifStream(CFile& file, const GifIndexedImage& image) {
  const int bits = GifTableBits(std::max(image.colors(), LargestIndex(image) + 1));
  const int transparent = image.transparent();
  BufferedWriter out(file);

  out.Write(transparent >= 0 ? "GIF89a" : "GIF87a", 6);
  PutU16(out, image.width() - 1);
  PutU16(out, image.height() - 1);
  out.Put(BYTE(0x80 | (bits - 1) << 4 | (bits - 1)));
  out.Put(0);  // background index
  out.Put(0);  // aspect
  for (int i = 0; i < (1 << bits); ++i) {
    out.Put(image.red(i));
    out.Put(image.green(i));
    out.Put(image.blue(i));
  }
  if (transparent >= 0) {
    const BYTE control[] = {'!', 0xF9, 4, 1, 0, 0, BYTE(transparent), 0};
    out.Write(control, sizeof control);
  }
  out.Put(',');
  PutU16(out, 0);
  PutU16(out, 0);
  PutU16(out, image.width());
  PutU16(out, image.height());
  out.Put(image.interlaced() ? 0x40 : 0);

  const int minCodeSize = std::max(bits, 2);
  out.Put(BYTE(minCodeSize));
  GifRunLengthEncoder encoder(minCodeSize, out);
  encoder.Begin();
  for (const std::uint16_t y : GifRowOrder(image.height(), image.interlaced())) {
    const BYTE* row = image.Row(y);
    for (int x = 0; x < image.width(); ++x) encoder.Add(row[x]);
  }
  encoder.Finish();
  out.Put(0);
  out.Put(';');
  out.Flush();
}

bool SaveGifFile(const char* path, const GifIndexedImage& image) {
  if (path == nullptr || image.width() <= 0) return false;
  ReplacingFile output;
  if (!output.Open(path)) return false;
  try {
    WriteGifStream(output.File(), image);
    output.Commit();
  } catch (const CFileException&) {
    return false;  // the temporary file goes; the target is untouched
  }
  return true;
}

int SavePictureAsGif(CPics& picture, const char* path) {
  LockedBlock dib(picture.m_hDIB);
  if (!dib || !DibFitsBlock(dib.data(), dib.size())) return 0;
  const int width = CPics::DIBWidth(dib.data());
  const int height = CPics::DIBHeight(dib.data());
  const int bits = CPics::DIBBitsPerPixel(dib.data());
  GifIndexedImage image;
  if (!image.Create(width, height)) return 0;
  // The indexes land straight in the image's rows (top row first, width bytes each).
  std::array<BYTE, 768> palette{};
  if (!picture.GetPictureBits(dib.data(), image.Row(0), palette.data())) return 0;
  const int colors = bits <= 8 ? 1 << bits : 256;
  for (int i = 0; i < colors; ++i)
    image.AllocateColor(palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]);
  if (picture.m_bTransparent)
    image.SetTransparent(NearestEntry(image, picture.m_transparentColor & 0xFFFFFF));
  image.SetInterlace(false);
  return SaveGifFile(path, image) ? 1 : 0;
}

}  // namespace graphics
