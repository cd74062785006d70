#include "graphics/formats/registry/picture_format.h"
#include "graphics/formats/tga/tga.h"

namespace graphics {
namespace {

// TGA has no signature: a colour-map flag of 0 or 1, a known image kind and depth.
bool LooksLikeTga(const ContentProbe& p) {
  const BYTE kind = p.head[2], depth = p.head[16];
  const bool colorMap = p.head[1] == 0 || p.head[1] == 1;
  const bool knownKind =
      kind == 1 || kind == 2 || kind == 3 || kind == 9 || kind == 10 || kind == 11;
  const bool knownDepth = depth == 1 || depth == 8 || depth == 16 || depth == 24 || depth == 32;
  return colorMap && knownKind && knownDepth;
}

}  // namespace

extern const PictureFormat kTgaFormat = {
    PictureTGA, {".TGA", ".TARG"},     LooksLikeTga, MakeCoderByName<CTGA>,
    nullptr,  // not read from a caller's open file
    nullptr,    LoadCoderOpened<CTGA>,
};

}  // namespace graphics
