// TGA files: an 18-byte header, an optional colour map, then raw or run-length
// coded pixel rows.
#pragma once

#include <array>

#include "Pics.h"
#include "graphics/formats/tga/tga_header.h"

namespace graphics {

class CTGA : public CPics {
 public:
  CTGA(const char* name, int readFlag);
  ~CTGA() override;

  int LoadPicture(short dither) override;
  // Reads the header and loads the file the object's name was opened as, from its start.
  int LoadOpenedFile(CFile& file, short dither);
  using CPics::SavePicture;
  int SavePicture(const char* name, short type) override;

  // The file header as it was read (or will be written).
  const std::array<BYTE, kTgaHeaderSize>& header() const { return m_header; }

 private:
  // Takes the header's facts; sets m_bHaveDIB when the reader can build the picture.
  void ReadHeader(CFile& file);
  int LoadFrom(CFile& file, short dither);

  std::array<BYTE, kTgaHeaderSize> m_header{};
};

}  // namespace graphics
