// The picture fuzz targets' harness: scratch files, the input put into one, a loaded
// picture used the way a host would (pixel lookups and writing it out again), and the
// factories by name and from an open file. Single-format targets hand it their coder
// (reader, writer, type) and are one call; the others take the pieces they need (the
// input as a scratch file or as a memory block).
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <unistd.h>

#include "Pics.h"
#include "graphics/core/dib_block.h"
#include "graphics/formats/registry/picture_facts.h"

namespace coder_fuzz {

// A fresh scratch file name ending in suffix (the file itself is not kept).
inline std::string ScratchFile(const char* suffix) {
  char name[] = "/tmp/fuzz_coder_XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) std::abort();
  close(fd);
  unlink(name);
  return std::string(name) + suffix;
}

// Writes the input to path; false when the file cannot be written.
inline bool WriteInput(const std::string& path, const std::uint8_t* data, std::size_t size) {
  CFile file;
  if (!file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite)) return false;
  file.Write(data, static_cast<UINT>(size));
  file.Close();
  return true;
}

// The input as a movable memory block, for targets that take the bytes as a DIB.
inline HGLOBAL BlockOf(const std::uint8_t* data, std::size_t size) {
  HGLOBAL h = GlobalAlloc(GHND, size);
  if (h && size) {
    std::memcpy(GlobalLock(h), data, size);
    GlobalUnlock(h);
  }
  return h;
}

// Pictures larger than this are not written out again: a save would slow the search
// without reaching new reading code.
inline bool SmallEnoughToWrite(const CPics& picture) {
  return int(picture.m_width) * picture.m_height <= 65536;
}

// The format a target fuzzes: its reader on its own, its writer of a loaded picture to
// an open file, and its type code.
struct Coder {
  graphics::DibHandle (*read)(CFile& file);
  void (*write)(CFile& sink, CPics& picture);
  short type;
  short fileDither = 0;  // the dither flag of the load from an open file
};

// Pixel lookups inside and just outside the picture, then the writer to a sink (a save
// by name goes through a synced temporary file, too slow for a fuzzer); closes it.
inline void Exercise(const Coder& coder, CPics* picture) {
  if (picture == nullptr) return;
  for (int y = -1; y <= picture->m_height; y += picture->m_height / 3 + 1)
    for (int x = -1; x <= picture->m_width; x += picture->m_width / 3 + 1)
      (void)picture->GetPixel(x, y);
  CFile sink;
  if (SmallEnoughToWrite(*picture) && sink.Open("/dev/null", CFile::modeWrite)) {
    try {
      coder.write(sink, *picture);
    } catch (const CFileException&) {
    }
  }
  CPics::ClosePicture(picture);
}

// The header reader of the file's type on its own; when it describes the file, the
// picture loaded from it (dither 0, no decoder options) must have those facts.
inline void ExpectFactsOf(const std::string& path, const CPics* loaded) {
  CFile file;
  if (!file.Open(path.c_str(), CFile::modeRead)) return;
  std::optional<graphics::PictureFacts> facts;
  try {
    facts = graphics::ReadPictureFacts(CPics::PictureType(&file), file);
  } catch (const CFileException&) {
  }
  if (!facts || loaded == nullptr) return;
  if (facts->width != loaded->m_width || facts->height != loaded->m_height ||
      facts->bitsPerPixel != loaded->m_bitsPerPixel || facts->colors != loaded->m_numColors)
    std::abort();
}

// The factories on the file by name and from an open file, each loaded picture
// exercised. Content that turns out to be TIFF reports its decoding failure as
// CTextException, as a host sees it.
inline void OpenEachWay(const Coder& coder, const std::string& path) {
  try {
    CPics* byName = CPics::OpenPicture(path.c_str());
    ExpectFactsOf(path, byName);
    Exercise(coder, byName);
    CFile file;
    if (file.Open(path.c_str(), CFile::modeRead))
      Exercise(coder, CPics::OpenPicture(&file, coder.fileDither));
  } catch (const CTextException&) {
  }
}

// The reader on its own (whatever the content test says), then the factories.
inline int FuzzOneInput(const Coder& coder, const std::uint8_t* data, std::size_t size) {
  static const std::string path = ScratchFile(".in");
  if (!WriteInput(path, data, size)) return 0;
  CFile file;
  if (coder.read != nullptr && file.Open(path.c_str(), CFile::modeRead)) {
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
  OpenEachWay(coder, path);
  return 0;
}

}  // namespace coder_fuzz
