// XBM files: one-bit pictures as C source text, drawn with white transparent.
#pragma once

#include "Pics.h"

namespace graphics {

class CXBM : public CPics {
 public:
  CXBM(const char* name, int readFlag);
  ~CXBM() override;

  int LoadPicture(short dither) override;
  // Loads the file the object's name was opened as, from its start.
  int LoadOpenedFile(CFile& file, short dither);
  using CPics::SavePicture;
  int SavePicture(const char* name, short type) override;

 private:
  int LoadFrom(CFile& file, short dither);
};

}  // namespace graphics
