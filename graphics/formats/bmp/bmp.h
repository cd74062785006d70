// BMP and DIB files: a 14-byte file header followed by the packed DIB.
#pragma once

#include "Pics.h"
#include "graphics/core/dib_block.h"

namespace graphics {

class CBMP : public CPics {
 public:
  CBMP(const char* name, int readFlag);
  CBMP(CFile* file, int readFlag);
  ~CBMP() override;

  using CPics::LoadPicture;
  int LoadPicture(short dither) override;
  // Loads from the open file's current position; the file stays open for the caller.
  virtual int LoadPictureFromFile(CFile* file, short dither);
  // Loads the file the object's name was opened as, from its start.
  int LoadOpenedFile(CFile& file, short dither);
  int SavePicture(const char* name, short type) override;
  int SavePicture(CFile* file) override;

 private:
  int TakeDib(DibHandle dib, std::uint64_t blockSize, short dither);
};

}  // namespace graphics
