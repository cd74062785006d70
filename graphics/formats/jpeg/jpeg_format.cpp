#include "graphics/formats/jpeg/jpeg.h"
#include "graphics/formats/registry/picture_format.h"

namespace graphics {

extern const PictureFormat kJpegFormat = {
    PictureJPEG,
    {".JPG", ".JPE", ".JPEG"},
    [](const ContentProbe& p) {
      return p.head[0] == 0xFF && p.head[1] == 0xD8 && p.head[2] == 0xFF;
    },
    MakeJpegByName,
    MakeJpegByFile,
    LoadJpegFromFile,
    LoadCoderOpened<CJPG>,
};

}  // namespace graphics
