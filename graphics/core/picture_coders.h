// How the factories find the format coders. The table itself lives with the coders
// (graphics/formats/coder/coder_table.cpp): adding a format is one line there.
#pragma once

#include "Pics.h"

namespace graphics {

struct PictureCoder {
  short type;
  // Makes the format's object for a file name (or none) with the read flag; only the
  // JPEG coder uses the decoder options.
  CPics* (*makeByName)(const char* name, int readFlag, const char* decoderOptions);
  // Makes the object for an open file; null when the format is not read from one.
  CPics* (*makeByFile)(CFile* file, int readFlag, const char* decoderOptions);
  // Loads the picture from the open file the object was made for.
  int (*loadFromFile)(CPics* picture, CFile* file, short dither);
};

// The coder of a picture type, or nullptr when the type is unknown or not built.
const PictureCoder* FindPictureCoder(short type);

}  // namespace graphics
