// PNG pictures, read and written with libpng.
#pragma once

#include <cstdio>

#include "Pics.h"
#include "graphics/formats/coder/decoded_dib.h"

namespace graphics {

class CPNG : public CPics {
 public:
  CPNG(const char* name, int readFlag);
  CPNG(CFile* file, int readFlag);
  ~CPNG() override;

  int LoadPicture(short dither) override;
  // Reads the open file from its start; the file stays open for the caller.
  int LoadPictureFromFile(CFile* file, short dither);
  // Loads the file the object's name was opened as, streaming it from its start.
  int LoadOpenedFile(PictureFile& file, short dither);
  using CPics::SavePicture;
  int SavePicture(const char* name, short type) override;

 private:
  struct Decoded;
  int Adopt(Decoded& picture, short dither);
  int LoadStream(std::FILE* stream, short dither);
};

}  // namespace graphics
