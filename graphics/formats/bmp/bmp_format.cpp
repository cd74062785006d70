#include "graphics/formats/bmp/bmp.h"
#include "graphics/formats/registry/picture_format.h"

namespace graphics {

extern const PictureFormat kBmpFormat = {
    PictureBMP,
    {".BMP", ".DIB"},
    [](const ContentProbe& p) { return p.head[0] == 'B' && p.head[1] == 'M'; },
    MakeCoderByName<CBMP>,
    MakeCoderByFile<CBMP>,
    LoadCoderFromFile<CBMP>,
    LoadCoderOpened<CBMP>,
};

}  // namespace graphics
