// GIF pictures: the first image of a GIF file, read at open time as far as its
// header, decoded at load; pictures are written through an indexed image and a
// run-length coder. Files the library did not write are marked foreign unless GIF
// display is switched on for every file.
#pragma once

#include <optional>

#include "Pics.h"
#include "graphics/formats/gif/gif_header.h"

namespace graphics {

class CGIF : public CPics {
 public:
  CGIF(const char* name, int readFlag);
  CGIF(CFile* file, int readFlag);
  ~CGIF() override;

  int LoadPicture(short dither) override;
  // Loads from the open file the object was made for; the file stays open.
  int LoadPictureFromFile(CFile* file, short dither);
  // Scans and loads the file the object's name was opened as, from its start.
  int LoadOpenedFile(CFile& file, short dither);
  using CPics::SavePicture;
  int SavePicture(const char* name, short type) override;

  // What the header scan found, when it succeeded.
  const std::optional<GifImageInfo>& imageInfo() const { return m_info; }

 private:
  // The header scan: takes the picture's facts, palette and transparency.
  void Attach(CFile& file);
  // The scan from the file's start, which leaves the file there again.
  void AttachFromStart(CFile& file);

  std::optional<GifImageInfo> m_info;
};

}  // namespace graphics
