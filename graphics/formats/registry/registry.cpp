// The one list of formats the library reads and writes. Adding a format is its folder
// and one line here.
#include <strings.h>

#include "graphics/formats/registry/picture_format.h"

namespace graphics {

extern const PictureFormat kGifFormat, kBmpFormat, kPcxFormat, kJpegFormat, kTgaFormat, kTiffFormat,
    kXbmFormat, kPngFormat;

namespace {

// In the order the content tests are tried: the first that matches names the type.
const PictureFormat* const kFormats[] = {
    &kGifFormat, &kBmpFormat,  &kPcxFormat, &kJpegFormat,
    &kTgaFormat, &kTiffFormat, &kXbmFormat, &kPngFormat,
};

}  // namespace

const PictureFormat* FindPictureFormat(short type) {
  for (const PictureFormat* format : kFormats)
    if (format->type == type) return format;
  return nullptr;
}

short RecognisePicture(const ContentProbe& probe) {
  for (const PictureFormat* format : kFormats)
    if (format->sniff(probe)) return format->type;
  return PictureUnknown;
}

short TypeOfExtension(const char* extension) {
  for (const PictureFormat* format : kFormats)
    for (const char* known : format->extensions)
      if (known != nullptr && strcasecmp(extension, known) == 0) return format->type;
  return PictureByExtension;
}

}  // namespace graphics
