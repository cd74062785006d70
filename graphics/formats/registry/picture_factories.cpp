// The factories that make, load, save and release picture objects of every format.
#include <cstring>
#include <memory>

#include "Pics.h"
#include "graphics/core/dib_block.h"
#include "graphics/formats/coder/decoded_dib.h"
#include "graphics/formats/registry/picture_format.h"

namespace {

struct PictureCloser {
  void operator()(CPics* picture) const { CPics::ClosePicture(picture); }
};
using PicturePtr = std::unique_ptr<CPics, PictureCloser>;

// Names that do not fit the object's 260-character name member are refused rather
// than cut, which would read or write a different file.
bool NameFits(const char* name) { return name == nullptr || std::strlen(name) < 260; }

}  // namespace

CPics* CPics::OpenPicture(const char* name, short dither, const char* decoderOptions) {
  if (name == nullptr || !NameFits(name)) return nullptr;
  // One open serves recognition and loading.
  graphics::PictureFile file;
  if (!file.Open(name, graphics::kReadShared)) return nullptr;
  const short type = PictureType(&file);
  const graphics::PictureFormat* coder = graphics::FindPictureFormat(type);
  if (coder == nullptr) return nullptr;
  PicturePtr picture(coder->makeByName(name, 1, decoderOptions));
  if (!picture) return nullptr;
  picture->m_type = type;
  try {
    if (!coder->loadOpened(picture.get(), file, dither)) return nullptr;
  } catch (const CFileException&) {
    return nullptr;  // a read or seek error is a failed load
  }
  return picture.release();
}

CPics* CPics::OpenPicture(CFile* file, short dither, const char* decoderOptions) {
  if (file == nullptr || !file->IsOpen()) return nullptr;
  try {
    const short type = PictureType(file);
    file->SeekToBegin();
    const graphics::PictureFormat* coder = graphics::FindPictureFormat(type);
    if (coder == nullptr || coder->makeByFile == nullptr || coder->loadFromFile == nullptr)
      return nullptr;
    PicturePtr picture(coder->makeByFile(file, 1, decoderOptions));
    if (!picture) return nullptr;
    file->SeekToBegin();
    picture->m_type = type;
    if (!coder->loadFromFile(picture.get(), file, dither)) return nullptr;
    file->SeekToBegin();
    return picture.release();
  } catch (const CFileException&) {
    return nullptr;  // a read or seek error is a failed load
  }
}

CPics* CPics::CreatePicture(const char* name, short type) {
  if (!NameFits(name)) return nullptr;
  if (type == PictureByExtension && name != nullptr) type = TypeFromExtension(name);
  const graphics::PictureFormat* coder = graphics::FindPictureFormat(type);
  if (coder == nullptr) return nullptr;
  CPics* picture = coder->makeByName(name, 0, nullptr);
  if (picture != nullptr) picture->m_type = type;
  return picture;
}

CPics* CPics::CreatePicture(HGLOBAL hDIB, short type, short dither) {
  if (hDIB == nullptr) return nullptr;
  const graphics::PictureFormat* coder = graphics::FindPictureFormat(type);
  if (coder == nullptr) return nullptr;  // the handle stays with the caller
  {
    graphics::LockedBlock dib(hDIB);  // a malformed DIB is refused and also stays the caller's
    if (!dib || !graphics::IsPictureDib(dib.data(), dib.size())) return nullptr;
  }
  PicturePtr picture(coder->makeByName(nullptr, 0, nullptr));
  if (!picture) return nullptr;
  picture->m_type = type;
  picture->m_hDIB = hDIB;  // from here on the object owns the handle
  picture->m_bHaveDIB = 1;
  picture->m_bNoDither = dither == 0 ? 1 : 0;
  if (!picture->CreateDitherImage()) return nullptr;
  picture->m_dither = dither;
  picture->CreateImagePalette();
  picture->m_bLoaded = 1;
  return picture.release();
}

// A picture of what the device shows in rect (CreatePicture refuses a type no format has).
CPics* CPics::NewPicture(CDC* device, RECT rect, const char* name, short type) {
  CPics* picture = CreatePicture(name, type);
  if (picture == nullptr) return nullptr;
  if (picture->GetPicture(device, rect) == 0) {
    ClosePicture(picture);
    return nullptr;
  }
  return picture;
}

void CPics::ClosePicture(CPics* picture) {
  if (picture != nullptr && graphics::FindPictureFormat(picture->m_type) != nullptr) delete picture;
}

int CPics::SavePictureAs(const char* name, short type) {
  PicturePtr target(CreatePicture(name, type));
  if (!target) return 0;
  const short targetType = target->m_type;
  *target = *this;
  target->m_type = targetType;
  if (m_bTransparent && targetType == PicturePNG) target->ConvertTo8BPP();
  return target->SavePicture(name, PictureByExtension) ? 1 : 0;
}
