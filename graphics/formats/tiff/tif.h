// TIFF pictures: read through the decoder framework (decoding errors reach the
// caller as CTextException), written with libtiff.
#pragma once

#include "Pics.h"
#include "graphics/formats/coder/decoded_dib.h"

namespace graphics {

class CTIF : public CPics {
 public:
  CTIF(const char* name, int readFlag);
  CTIF(CFile* file, int readFlag);
  ~CTIF() override;

  // Throws CTextException when the file cannot be decoded.
  int LoadPicture(short dither) override;
  // Decodes the open file's bytes from its start; the file stays open for the caller.
  int LoadPictureFromFile(CFile* file, short dither);
  // Loads the file the object's name was opened as, mapping its descriptor; a file
  // libtiff does not open is refused (0), a decoding error throws as LoadPicture's.
  int LoadOpenedFile(PictureFile& file, short dither);
  using CPics::SavePicture;
  int SavePicture(const char* name, short type) override;
};

}  // namespace graphics
