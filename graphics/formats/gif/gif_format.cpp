#include <cstring>

#include "graphics/formats/gif/gif.h"
#include "graphics/formats/registry/picture_format.h"

namespace graphics {

extern const PictureFormat kGifFormat = {
    PictureGIF,
    {".GIF"},
    [](const ContentProbe& p) { return std::memcmp(p.head.data(), "GIF8", 4) == 0; },
    MakeCoderByName<CGIF>,
    MakeCoderByFile<CGIF>,
    LoadCoderFromFile<CGIF>,
    LoadCoderOpened<CGIF>,
};

}  // namespace graphics
