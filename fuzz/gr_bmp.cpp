// Fuzzes BMP loading through the public factories (by name and from an open file),
// then touches the loaded picture the way a host would: pixel lookups and a save.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "Pics.h"

namespace {

const std::string& ScratchFile() {
  static const std::string path = [] {
    char name[] = "/tmp/fuzz_gr_bmp_XXXXXX";
    const int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    return std::string(name);
  }();
  return path;
}

void Exercise(CPics* picture) {
  if (picture == nullptr) return;
  for (int y = -1; y <= picture->m_height; y += picture->m_height / 3 + 1)
    for (int x = -1; x <= picture->m_width; x += picture->m_width / 3 + 1)
      (void)picture->GetPixel(x, y);
  CFile sink;
  if (sink.Open("/dev/null", CFile::modeWrite)) picture->SavePicture(&sink);
  CPics::ClosePicture(picture);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = ScratchFile();
  {
    CFile file;
    if (!file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite)) return 0;
    file.Write(data, static_cast<UINT>(size));
    file.Close();
  }
  // Content that turns out to be TIFF reports its decoding failure as CTextException.
  try {
    Exercise(CPics::OpenPicture(path.c_str(), 0, nullptr));
    CFile file;
    if (file.Open(path.c_str(), CFile::modeRead)) Exercise(CPics::OpenPicture(&file, 1, nullptr));
  } catch (const CTextException&) {
  }
  return 0;
}
