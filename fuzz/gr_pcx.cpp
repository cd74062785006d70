// Fuzzes PCX loading: the decoder on its own (whatever the first bytes say) and through the
// factories by name and from an open file, then uses a loaded picture the way a host would:
// pixel lookups and writing it out again in the same format.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "Pics.h"
#include "graphics/formats/pcx_reader.h"
#include "graphics/formats/pcx_writer.h"

namespace {

std::string ScratchFile(const char* suffix) {
  char name[] = "/tmp/fuzz_gr_pcx_XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) std::abort();
  close(fd);
  unlink(name);
  return std::string(name) + suffix;
}

const std::string& InputPath() {
  static const std::string path = ScratchFile(".in");
  return path;
}

void Exercise(CPics* picture) {
  if (picture == nullptr) return;
  for (int y = -1; y <= picture->m_height; y += picture->m_height / 3 + 1)
    for (int x = -1; x <= picture->m_width; x += picture->m_width / 3 + 1) (void)picture->GetPixel(x, y);
  // The writer itself, to a sink: a save by name goes through a synced temporary
  // file, too slow for a fuzzer. Large pictures (a true-colour PCX is reduced to 256
  // colours first) would slow the search without reaching new reading code.
  CFile sink;
  if (int(picture->m_width) * picture->m_height <= 65536 && sink.Open("/dev/null", CFile::modeWrite)) {
    try {
      graphics::WritePcxFile(sink, picture->m_hDIB, picture->m_PaletteBuffer);
    } catch (const CFileException&) {
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
        HGLOBAL dib = graphics::ReadPcxFile(file);
        if (dib != nullptr) Exercise(CPics::CreatePicture(dib, PicturePCX, 0));
      } catch (const CFileException&) {
      }
    }
  }
  // Content that turns out to be TIFF reports its decoding failure as CTextException.
  try {
    Exercise(CPics::OpenPicture(path.c_str()));
    CFile file;
    if (file.Open(path.c_str(), CFile::modeRead)) Exercise(CPics::OpenPicture(&file));
  } catch (const CTextException&) {
  }
  return 0;
}
