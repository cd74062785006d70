// Fuzzes GIF loading: the scan and decoder on their own and through the factories by
// name and from an open file, then uses a loaded picture the way a host would: pixel
// lookups and writing it out again as GIF.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "Pics.h"
#include "graphics/formats/gif/gif_indexed_image.h"
#include "graphics/formats/gif/gif_reader.h"
#include "graphics/formats/gif/gif_writer.h"

namespace {

std::string ScratchFile(const char* suffix) {
  char name[] = "/tmp/fuzz_gr_gif_XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) std::abort();
  close(fd);
  unlink(name);
  return std::string(name) + suffix;
}

const std::string& InputPath() {
  static const std::string path = ScratchFile(".gif");
  return path;
}

void Exercise(CPics* picture) {
  if (picture == nullptr) return;
  for (int y = -1; y <= picture->m_height; y += picture->m_height / 3 + 1)
    for (int x = -1; x <= picture->m_width; x += picture->m_width / 3 + 1)
      (void)picture->GetPixel(x, y);
  // The writer itself, to a sink (a save by name goes through a synced temporary file).
  if (int(picture->m_width) * picture->m_height <= 65536) {
    graphics::GifIndexedImage image;
    if (image.Create(picture->m_width, picture->m_height)) {
      void* dib = GlobalLock(picture->m_hDIB);
      BYTE palette[768];
      if (dib != nullptr && picture->GetPictureBits(dib, image.Row(0), palette)) {
        for (int i = 0; i < 256; ++i)
          image.AllocateColor(palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]);
        CFile sink;
        if (sink.Open("/dev/null", CFile::modeWrite)) {
          try {
            graphics::WriteGifStream(sink, image);
          } catch (const CFileException&) {
          }
        }
      }
      if (dib != nullptr) GlobalUnlock(picture->m_hDIB);
    }
  }
  CPics::ClosePicture(picture);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = InputPath();
  {
    CFile file;
    if (!file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite)) return 0;
    file.Write(data, static_cast<UINT>(size));
    file.Close();
  }
  {
    CFile file;
    if (file.Open(path.c_str(), CFile::modeRead)) {
      try {
        graphics::DibHandle dib = graphics::ReadGifFile(file);
        if (dib) {
          CPics* picture = CPics::CreatePicture(dib.get(), PictureGIF, 0);
          if (picture != nullptr) (void)dib.release();  // the picture owns it now
          Exercise(picture);
        }
      } catch (const CFileException&) {
      }
    }
  }
  // The factories go by content: inputs that mutate into TIFF files may throw the
  // decoder framework's exception, which the interface passes on by design.
  try {
    Exercise(CPics::OpenPicture(path.c_str()));
    CFile file;
    if (file.Open(path.c_str(), CFile::modeRead)) Exercise(CPics::OpenPicture(&file));
  } catch (const CTextException&) {
  }
  return 0;
}
