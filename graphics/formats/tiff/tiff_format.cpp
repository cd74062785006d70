#include "graphics/formats/registry/picture_format.h"
#include "graphics/formats/tiff/tif.h"

namespace graphics {

extern const PictureFormat kTiffFormat = {
    PictureTIFF,
    {".TIF", ".TIFF"},
    [](const ContentProbe& p) {
      return (p.head[0] == 'I' && p.head[1] == 'I') || (p.head[0] == 'M' && p.head[1] == 'M');
    },
    MakeCoderByName<CTIF>,
    MakeCoderByFile<CTIF>,
    LoadCoderFromFile<CTIF>,
    LoadCoderOpened<CTIF>,
};

}  // namespace graphics
