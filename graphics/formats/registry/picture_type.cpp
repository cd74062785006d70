// Recognising a picture file by its first bytes or by its name's extension; the
// tests themselves are the formats' own (registry.cpp).
#include <cstring>
#include <string>

#include "Pics.h"
#include "graphics/formats/registry/picture_format.h"

namespace {

constexpr UINT kXbmProbeBytes = 1000;

std::string ReadText(CFile& file, UINT bytes) {
  std::string text(bytes, '\0');
  text.resize(file.Read(text.data(), bytes));
  return text;
}

}  // namespace

short CPics::PictureType(const char* fileName) {
  CFile file;
  if (!file.Open(fileName, CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary))
    return PictureUnknown;
  try {
    graphics::ContentProbe probe;
    file.Read(probe.head.data(), graphics::ContentProbe::kHeadBytes);
    probe.readText = [&file] {
      file.SeekToBegin();
      return ReadText(file, kXbmProbeBytes);
    };
    return graphics::RecognisePicture(probe);
  } catch (const CFileException&) {
    return PictureUnknown;  // unreadable (a directory, a device error): not a picture
  }
}

short CPics::PictureType(CFile* file) {
  if (file == nullptr || !file->IsOpen()) return PictureUnknown;
  try {
    const std::uint64_t start = file->GetPosition();
    graphics::ContentProbe probe;
    const UINT got = file->Read(probe.head.data(), graphics::ContentProbe::kHeadBytes);
    probe.readText = [file, start] {
      file->Seek(static_cast<std::int64_t>(start), CFile::begin);
      return ReadText(*file, kXbmProbeBytes);
    };
    const short type = graphics::RecognisePicture(probe);
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
  return graphics::TypeOfExtension(dot);
}
