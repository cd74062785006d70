// PCX files: a 128-byte header, run-length coded rows and, for 256 colours, a
// palette at the end of the file.
#pragma once

#include "Pics.h"

namespace graphics {

class CPCX : public CPics {
 public:
  CPCX(const char* name, int readFlag);
  CPCX(CFile* file, int readFlag);
  ~CPCX() override;

  int LoadPicture(short dither) override;
  // Loads from the open file's current position; the file stays open for the caller.
  int LoadPictureFromFile(CFile* file, short dither);
  // Reads the header and loads the file the object's name was opened as, from its start.
  int LoadOpenedFile(CFile& file, short dither);
  using CPics::SavePicture;
  int SavePicture(const char* name, short type) override;

 private:
  // Takes the header's facts and palette; sets m_bHaveDIB when the reader can build the picture.
  void Attach(CFile& file);
};

}  // namespace graphics
