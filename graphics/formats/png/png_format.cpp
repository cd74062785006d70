#include <png.h>

#include <cstring>

#include "graphics/formats/png/png.h"
#include "graphics/formats/registry/picture_format.h"

namespace graphics {
namespace {

bool HasPngSignature(const ContentProbe& p) {
  png_byte head[4];
  std::memcpy(head, p.head.data(), sizeof head);
  return png_sig_cmp(head, 0, 4) == 0;
}

}  // namespace

extern const PictureFormat kPngFormat = {
    PicturePNG,
    {".PNG"},
    HasPngSignature,
    MakeCoderByName<CPNG>,
    MakeCoderByFile<CPNG>,
    LoadCoderFromFile<CPNG>,
    LoadCoderOpened<CPNG>,
};

}  // namespace graphics
