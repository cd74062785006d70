// What the library knows of one picture format, declared once in the format's own
// folder (<format>/<format>_format.cpp) and listed once in registry.cpp. Recognition,
// the extension lookup and the factories all read that one list.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "Pics.h"
#include "graphics/formats/coder/decoded_dib.h"

namespace graphics {

// The first bytes of a file as the content tests see them.
struct ContentProbe {
  static constexpr UINT kHeadBytes = 20;
  std::array<BYTE, kHeadBytes> head{};    // zero-filled past the end of a short file
  std::function<std::string()> readText;  // the first 1000 bytes, read only when a test asks
};

struct PictureFormat {
  short type;
  // Upper-case, with the dot; unused places stay null.
  std::array<const char*, 4> extensions;
  bool (*sniff)(const ContentProbe& probe);
  // Makes the format's object for a file name (or none). A read flag of 1 means the
  // caller has recognised the file as this format; only JPEG uses the decoder options.
  CPics* (*makeByName)(const char* name, int readFlag, const char* decoderOptions);
  // Makes the object for an open file recognised as this format; null when the format
  // is not read from an open file.
  CPics* (*makeByFile)(CFile* file, int readFlag, const char* decoderOptions);
  // Loads the picture from the open file the object was made for.
  int (*loadFromFile)(CPics* picture, CFile* file, short dither);
  // Loads the picture of an object made by makeByName with read flag 1 from its file,
  // which the caller opened once for recognition and loading.
  int (*loadOpened)(CPics* picture, PictureFile& file, short dither);
};

// The format of a type code, or nullptr when the type is unknown.
const PictureFormat* FindPictureFormat(short type);
// The type whose content test matches first, in the library's order, or PictureUnknown.
short RecognisePicture(const ContentProbe& probe);
// The type of an extension such as ".jpg" (any case), or PictureByExtension.
short TypeOfExtension(const char* extension);

// Factory shims for coders whose constructors take (name or file, read flag) and that
// load from an open file with LoadPictureFromFile.
template <class Coder>
CPics* MakeCoderByName(const char* name, int readFlag, const char* /*decoderOptions*/) {
  return new Coder(name, readFlag);
}

template <class Coder>
CPics* MakeCoderByFile(CFile* file, int readFlag, const char* /*decoderOptions*/) {
  return new Coder(file, readFlag);
}

template <class Coder>
int LoadCoderFromFile(CPics* picture, CFile* file, short dither) {
  return static_cast<Coder*>(picture)->LoadPictureFromFile(file, dither);
}

template <class Coder>
int LoadCoderOpened(CPics* picture, PictureFile& file, short dither) {
  return static_cast<Coder*>(picture)->LoadOpenedFile(file, dither);
}

}  // namespace graphics
