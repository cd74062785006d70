// The format coders the factories can make. One line per format.
#include "graphics/core/picture_coders.h"
#include "graphics/formats/bmp.h"
#include "graphics/formats/jpeg.h"

namespace graphics {
namespace {

template <class Coder>
CPics* MakeByName(const char* name, int readFlag, const char* /*decoderOptions*/) {
  return new Coder(name, readFlag);
}

template <class Coder>
CPics* MakeByFile(CFile* file, int readFlag, const char* /*decoderOptions*/) {
  return new Coder(file, readFlag);
}

int LoadBmpFromFile(CPics* picture, CFile* file, short dither) {
  return static_cast<CBMP*>(picture)->LoadPictureFromFile(file, dither);
}

const PictureCoder kCoders[] = {
    {PictureBMP, MakeByName<CBMP>, MakeByFile<CBMP>, LoadBmpFromFile},
    {PictureJPEG, MakeJpegByName, MakeJpegByFile, LoadJpegFromFile},
};

}  // namespace

const PictureCoder* FindPictureCoder(short type) {
  for (const PictureCoder& coder : kCoders)
    if (coder.type == type) return &coder;
  return nullptr;
}

}  // namespace graphics
