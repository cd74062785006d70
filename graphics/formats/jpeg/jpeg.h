// JPEG pictures, converted through temporary BMP files by the decompression and
// compression front ends (djpeg_main.h, cjpeg_main.h).
#pragma once

#include <string>

#include "Pics.h"
#include "graphics/formats/coder/decoded_dib.h"
#include "graphics/formats/jpeg/djpeg_main.h"
#include "graphics/formats/jpeg/jpeg_option_words.h"

namespace graphics {

class CJPG : public CPics {
 public:
  // The options (when not empty) are the decoder's switches.
  CJPG(const char* name, int readFlag, const char* decoderOptions);
  // Decodes from an open file (through a copy of it); the file is left at its start.
  // A failure to make the copy throws CFileException.
  CJPG(CFile* file, int readFlag, const char* decoderOptions);
  ~CJPG() override;

  using CPics::SavePicture;
  int LoadPicture(short dither) override;
  // Decodes and loads the file the object's name was opened as, from its start.
  int LoadOpenedFile(PictureFile& file, short dither);
  int SavePicture(const char* name, short type) override;

 private:
  void DecodeOpenFile(CFile& file);
  // Decodes the JPEG file into the object; input, when given, is that file opened.
  bool DecodeThrough(const std::string& jpegName, const std::string& bmpName,
                     std::FILE* input = nullptr);
  bool TakeDecodedDib(HGLOBAL dib);
};

// The factory's entry points for JPEG pictures (see registry/picture_format.h).
CPics* MakeJpegByName(const char* name, int readFlag, const char* decoderOptions);
CPics* MakeJpegByFile(CFile* file, int readFlag, const char* decoderOptions);
int LoadJpegFromFile(CPics* picture, CFile* file, short dither);

// The decoder's argument vector: "Corvane", "-bmp", the option words, the JPEG file
// and the BMP file to write.
ArgumentVector DecodeArguments(const char* options, const std::string& jpegName,
                               const std::string& bmpName);

// The bounds every picture decode runs under. By default the picture size limit of
// the library (32767 pixels a side) and at most 1000 scans; a host or a test may
// tighten them.
JpegDecodeLimits& PictureDecodeLimits();

// True (the default): pictures are decoded and encoded in memory whenever the command
// lines' own output would be the same; false: always through the temporary BMP files.
// Tests compare the two.
bool& JpegInProcess();

// The full path of the library's own module file (the encoder's program name).
std::string LibraryModulePath();

}  // namespace graphics
