// The format coders the factories can make. One line per format.
#include "graphics/core/picture_coders.h"
#include "graphics/formats/bmp/bmp.h"
#include "graphics/formats/gif/gif.h"
#include "graphics/formats/jpeg/jpeg.h"
#include "graphics/formats/pcx/pcx.h"
#include "graphics/formats/png/png.h"
#include "graphics/formats/tga/tga.h"
#include "graphics/formats/tiff/tif.h"
#include "graphics/formats/xbm/xbm.h"

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

int LoadGifFromFile(CPics* picture, CFile* file, short dither) {
  return static_cast<CGIF*>(picture)->LoadPictureFromFile(file, dither);
}

int LoadPcxFromFile(CPics* picture, CFile* file, short dither) {
  return static_cast<CPCX*>(picture)->LoadPictureFromFile(file, dither);
}

int LoadTifFromFile(CPics* picture, CFile* file, short dither) {
  return static_cast<CTIF*>(picture)->LoadPictureFromFile(file, dither);
}

int LoadPngFromFile(CPics* picture, CFile* file, short dither) {
  return static_cast<CPNG*>(picture)->LoadPictureFromFile(file, dither);
}

const PictureCoder kCoders[] = {
    {PictureBMP, MakeByName<CBMP>, MakeByFile<CBMP>, LoadBmpFromFile},
    {PictureJPEG, MakeJpegByName, MakeJpegByFile, LoadJpegFromFile},
    {PictureGIF, MakeByName<CGIF>, MakeByFile<CGIF>, LoadGifFromFile},
    {PicturePCX, MakeByName<CPCX>, MakeByFile<CPCX>, LoadPcxFromFile},
    {PictureTGA, MakeByName<CTGA>, nullptr, nullptr},  // not read from an open file
    {PictureXBM, MakeByName<CXBM>, nullptr, nullptr},  // not read from an open file
    {PictureTIFF, MakeByName<CTIF>, MakeByFile<CTIF>, LoadTifFromFile},
    {PicturePNG, MakeByName<CPNG>, MakeByFile<CPNG>, LoadPngFromFile},
};

}  // namespace

const PictureCoder* FindPictureCoder(short type) {
  for (const PictureCoder& coder : kCoders)
    if (coder.type == type) return &coder;
  return nullptr;
}

}  // namespace graphics
