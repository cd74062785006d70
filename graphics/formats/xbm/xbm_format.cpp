#include "graphics/formats/registry/picture_format.h"
#include "graphics/formats/xbm/xbm.h"
#include "graphics/formats/xbm/xbm_header.h"

namespace graphics {

extern const PictureFormat kXbmFormat = {
    PictureXBM,
    {".XBM"},
    [](const ContentProbe& p) { return p.readText && LooksLikeXbm(p.readText()); },
    MakeCoderByName<CXBM>,
    nullptr,  // not read from a caller's open file
    nullptr,
    LoadCoderOpened<CXBM>,
};

}  // namespace graphics
