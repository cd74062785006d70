// Fuzzes GIF loading: the scan and decoder on their own and through the factories by
// name and from an open file, then uses a loaded picture the way a host would: pixel
// lookups and writing it out again as GIF.
#include "coder_fuzz.h"
#include "graphics/formats/gif/gif_indexed_image.h"
#include "graphics/formats/gif/gif_reader.h"
#include "graphics/formats/gif/gif_writer.h"

namespace {

// Writes the picture as GIF through the encoder's own image, as SavePicture would.
void WriteGif(CFile& sink, CPics& picture) {
  graphics::GifIndexedImage image;
  if (!image.Create(picture.m_width, picture.m_height)) return;
  void* dib = GlobalLock(picture.m_hDIB);
  BYTE palette[768];
  if (dib != nullptr && picture.GetPictureBits(dib, image.Row(0), palette)) {
    for (int i = 0; i < 256; ++i)
      image.AllocateColor(palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]);
    graphics::WriteGifStream(sink, image);
  }
  if (dib != nullptr) GlobalUnlock(picture.m_hDIB);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const coder_fuzz::Coder coder{graphics::ReadGifFile, WriteGif, PictureGIF};
  return coder_fuzz::FuzzOneInput(coder, data, size);
}
