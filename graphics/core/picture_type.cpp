// Recognising a picture file: by its first bytes (one ordered table of content tests)
// or by its name's extension.
#include <array>
#include <cstring>
#include <functional>
#include <png.h>
#include <string>
#include <strings.h>

#include "Pics.h"
#include "graphics/formats/xbm/xbm_header.h"

namespace {

constexpr UINT kHeadBytes = 20;
constexpr UINT kXbmProbeBytes = 1000;

struct ContentProbe {
  std::array<BYTE, kHeadBytes> head{};       // zero-filled past the end of a short file
  std::function<std::string()> readXbmText;  // the first 1000 bytes, read only when asked
};

bool IsGif(const ContentProbe& p) { return std::memcmp(p.head.data(), "GIF8", 4) == 0; }
bool IsBmp(const ContentProbe& p) { return p.head[0] == 'B' && p.head[1] == 'M'; }
bool IsPcx(const ContentProbe& p) { return p.head[0] == 10 && p.head[1] == 5 && p.head[2] == 1; }
bool IsJpeg(const ContentProbe& p) {
  return p.head[0] == 0xFF && p.head[1] == 0xD8 && p.head[2] == 0xFF;
}
bool IsTga(const ContentProbe& p) {
  const BYTE kind = p.head[2], depth = p.head[16];
  const bool colorMap = p.head[1] == 0 || p.head[1] == 1;
  const bool knownKind =
      kind == 1 || kind == 2 || kind == 3 || kind == 9 || kind == 10 || kind == 11;
  const bool knownDepth = depth == 1 || depth == 8 || depth == 16 || depth == 24 || depth == 32;
  return colorMap && knownKind && knownDepth;
}
bool IsTiff(const ContentProbe& p) {
  return (p.head[0] == 'I' && p.head[1] == 'I') || (p.head[0] == 'M' && p.head[1] == 'M');
}
bool IsXbm(const ContentProbe& p) {
  return p.readXbmText && graphics::LooksLikeXbm(p.readXbmText());
}
bool IsPng(const ContentProbe& p) {
  png_byte head[4];
  std::memcpy(head, p.head.data(), sizeof head);
  return png_sig_cmp(head, 0, 4) == 0;
}

struct ContentTest {
  short type;
  bool (*matches)(const ContentProbe&);
};

// Tried in this order; the first that matches names the type.
constexpr ContentTest kContentTests[] = {
    {PictureGIF, IsGif}, {PictureBMP, IsBmp},   {PicturePCX, IsPcx}, {PictureJPEG, IsJpeg},
    {PictureTGA, IsTga}, {PictureTIFF, IsTiff}, {PictureXBM, IsXbm}, {PicturePNG, IsPng},
};

short Recognise(const ContentProbe& probe) {
  for (const ContentTest& test : kContentTests)
    if (test.matches(probe)) return test.type;
  return PictureUnknown;
}

std::string ReadText(CFile& file, UINT bytes) {
  std::string text(bytes, '\0');
  text.resize(file.Read(text.data(), bytes));
  return text;
}

struct ExtensionType {
  const char* extension;
  short type;
};
constexpr ExtensionType kExtensions[] = {
    {".BMP", PictureBMP},  {".DIB", PictureBMP},  {".GIF", PictureGIF},   {".PCX", PicturePCX},
    {".JPG", PictureJPEG}, {".JPE", PictureJPEG}, {".JPEG", PictureJPEG}, {".TGA", PictureTGA},
    {".TARG", PictureTGA}, {".TIF", PictureTIFF}, {".TIFF", PictureTIFF}, {".XBM", PictureXBM},
    {".PNG", PicturePNG},
};

}  // namespace

short CPics::PictureType(const char* fileName) {
  CFile file;
  if (!file.Open(fileName, CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary))
    return PictureUnknown;
  try {
    ContentProbe probe;
    file.Read(probe.head.data(), kHeadBytes);
    probe.readXbmText = [&file] {
      file.SeekToBegin();
      return ReadText(file, kXbmProbeBytes);
    };
    return Recognise(probe);
  } catch (const CFileException&) {
    return PictureUnknown;  // unreadable (a directory, a device error): not a picture
  }
}

short CPics::PictureType(CFile* file) {
  if (file == nullptr || !file->IsOpen()) return PictureUnknown;
  try {
    const std::uint64_t start = file->GetPosition();
    ContentProbe probe;
    const UINT got = file->Read(probe.head.data(), kHeadBytes);
    probe.readXbmText = [file, start] {
      file->Seek(static_cast<std::int64_t>(start), CFile::begin);
      return ReadText(*file, kXbmProbeBytes);
    };
    const short type = Recognise(probe);
    file->Seek(static_cast<std::int64_t>(start + got), CFile::begin);
    return type;
  } catch (const CFileException&) {
    return PictureUnknown;
  }
}

short CPics::TypeFromExtension(const char* name) {
  if (name == nullptr) return PictureByExtension;
  const char* dot = std::strrchr(name, '.');
  if (dot == nullptr) return PictureByExtension;
  for (const ExtensionType& entry : kExtensions)
    if (strcasecmp(dot, entry.extension) == 0) return entry.type;
  return PictureByExtension;
}
