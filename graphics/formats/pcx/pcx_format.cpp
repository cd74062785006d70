#include "graphics/formats/pcx/pcx.h"
#include "graphics/formats/registry/picture_format.h"

namespace graphics {

extern const PictureFormat kPcxFormat = {
    PicturePCX,
    {".PCX"},
    [](const ContentProbe& p) { return p.head[0] == 10 && p.head[1] == 5 && p.head[2] == 1; },
    MakeCoderByName<CPCX>,
    MakeCoderByFile<CPCX>,
    LoadCoderFromFile<CPCX>,
    LoadCoderOpened<CPCX>,
};

}  // namespace graphics
