// Shared body of the single-format fuzz targets: the decoder on its own (whatever the
// content test says) and through the factories by name and from an open file, then a
// loaded picture used the way a host would: pixel lookups and writing it out again in
// the same format.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "Pics.h"
#include "graphics/core/dib_block.h"

namespace coder_fuzz {

// The format a target fuzzes: its reader, its writer to an open file, and its type code.
struct Coder {
  graphics::DibHandle (*read)(CFile& file);
  bool (*write)(CFile& file, HGLOBAL dib, const BYTE* paletteBuffer);
  short type;
};

inline std::string ScratchFile(const char* suffix) {
  char name[] = "/tmp/fuzz_coder_XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) std::abort();
  close(fd);
  unlink(name);
  return std::string(name) + suffix;
}

inline const std::string& InputPath() {
  static const std::string path = ScratchFile(".in");
  return path;
}

inline void Exercise(const Coder& coder, CPics* picture) {
  if (picture == nullptr) return;
  for (int y = -1; y <= picture->m_height; y += picture->m_height / 3 + 1)
    for (int x = -1; x <= picture->m_width; x += picture->m_width / 3 + 1)
      (void)picture->GetPixel(x, y);
  // The writer itself, to a sink: a save by name goes through a synced temporary
  // file, too slow for a fuzzer. Large pictures (a true-colour PCX is reduced to 256
  // colours first) would slow the search without reaching new reading code.
  CFile sink;
  if (int(picture->m_width) * picture->m_height <= 65536 &&
      sink.Open("/dev/null", CFile::modeWrite)) {
    try {
      coder.write(sink, picture->m_hDIB, picture->m_PaletteBuffer);
    } catch (const CFileException&) {
    }
  }
  CPics::ClosePicture(picture);
}

inline int FuzzOneInput(const Coder& coder, const std::uint8_t* data, std::size_t size) {
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
        graphics::DibHandle dib = coder.read(file);
        if (dib) {
          CPics* picture = CPics::CreatePicture(dib.get(), coder.type, 0);
          if (picture != nullptr) (void)dib.release();  // the picture owns it now
          Exercise(coder, picture);
        }
      } catch (const CFileException&) {
      }
    }
  }
  // Content that turns out to be TIFF reports its decoding failure as CTextException.
  try {
    Exercise(coder, CPics::OpenPicture(path.c_str()));
    CFile file;
    if (file.Open(path.c_str(), CFile::modeRead)) Exercise(coder, CPics::OpenPicture(&file));
  } catch (const CTextException&) {
  }
  return 0;
}

}  // namespace coder_fuzz
