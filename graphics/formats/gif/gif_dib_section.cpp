// Writing an 8-bit DIB section as GIF with a colour table the caller gives.
#include <algorithm>

#include "Pics.h"
#include "graphics/formats/gif/gif_indexed_image.h"
#include "graphics/formats/gif/gif_writer.h"

int CPics::SaveDIBSECTIONasGIF(HBITMAP bitmap, const char* path, GIFSaveOptions* options,
                               RGBQUAD* colors, int colorCount) {
  DIBSECTION section{};
  if (bitmap == nullptr || path == nullptr) return 0;
  if (GetObject(bitmap, int(sizeof section), &section) < int(sizeof section)) return 0;
  const BITMAP& bm = section.dsBm;
  if (bm.bmBitsPixel != 8 || bm.bmBits == nullptr || bm.bmWidth <= 0 || bm.bmHeight <= 0) return 0;
  if (bm.bmWidthBytes < bm.bmWidth) return 0;

  graphics::GifIndexedImage image;
  if (!image.Create(bm.bmWidth, bm.bmHeight)) return 0;
  const int count =
      colors != nullptr ? std::clamp(colorCount, 0, graphics::GifIndexedImage::kMaxColors) : 0;
  for (int i = 0; i < count; ++i)
    image.AllocateColor(colors[i].rgbRed, colors[i].rgbGreen, colors[i].rgbBlue);

  // The section's rows are stored bottom-up.
  const auto* bits = static_cast<const BYTE*>(bm.bmBits);
  for (int y = 0; y < bm.bmHeight; ++y)
    std::copy_n(bits + std::size_t(y) * std::size_t(bm.bmWidthBytes), bm.bmWidth,
                image.Row(bm.bmHeight - 1 - y));

  if (options != nullptr) {
    image.SetInterlace(options->interlace != 0);
    if (options->transparent)
      image.SetTransparent(
          image.ExactColor(BYTE(options->red), BYTE(options->green), BYTE(options->blue)));
  }
  return graphics::SaveGifFile(path, image) ? 1 : 0;
}
