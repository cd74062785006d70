#include "graphics/formats/gif/gif.h"

#include <cstring>
#include <utility>

#include "graphics/core/dib_block.h"
#include "graphics/formats/coder/decoded_dib.h"
#include "graphics/formats/gif/gif_reader.h"
#include "graphics/formats/gif/gif_writer.h"

namespace graphics {

namespace {
// Marks a transparent colour as an entry of the picture's own palette.
constexpr COLORREF kPaletteRelative = 0x2000000;
}  // namespace

CGIF::CGIF(const char* name, int readFlag) { StartNamedCoder(*this, PictureGIF, name, readFlag); }

CGIF::CGIF(CFile* file, int readFlag) {
  m_bReadFile = readFlag;
  m_type = PictureGIF;
  if (readFlag && file != nullptr && file->IsOpen()) AttachFromStart(*file);
}

CGIF::~CGIF() = default;

void CGIF::Attach(CFile& file) {
  try {
    m_info = ScanGifHeader(file);
  } catch (const CFileException&) {
    m_info.reset();
  }
  if (!m_info) return;
  const GifImageInfo& info = *m_info;
  if (!ReplacePaletteBuffer(*this, info.palette.data(), info.colors())) {
    m_info.reset();
    return;
  }
  if (!GifImageDisplayEnable && !info.WrittenByUs()) m_bEnabled = 0;
  if (info.transparentIndex >= 0) {
    const BYTE* rgb = &info.palette[std::size_t(3) * info.transparentIndex];
    m_bTransparent = 1;
    m_transparentColor = RGB(rgb[0], rgb[1], rgb[2]) | kPaletteRelative;
  }
  const int bits = info.dibBits();
  m_width = static_cast<short>(info.width);
  m_height = static_cast<short>(info.height);
  m_bitsPerPixel = static_cast<short>(bits);
  m_planes = 1;
  m_numColors = static_cast<short>(1 << bits);
  m_byteWidth = static_cast<int>(RowStride(info.width, bits));
  m_dibSize = static_cast<DWORD>(std::uint64_t(m_byteWidth) * unsigned(info.height));
  m_bHaveDIB = 1;
}

void CGIF::AttachFromStart(CFile& file) {
  try {
    file.SeekToBegin();
    Attach(file);
    file.SeekToBegin();
  } catch (const CFileException&) {
    m_info.reset();
    m_bHaveDIB = 0;
  }
}

int CGIF::LoadOpenedFile(CFile& file, short dither) {
  AttachFromStart(file);
  return LoadPictureFromFile(&file, dither);
}

int CGIF::LoadPicture(short dither) {
  if (!m_info) return 0;
  CFile file;
  if (!file.Open(m_szFileName, kReadShared)) return 0;
  return LoadPictureFromFile(&file, dither);
}

int CGIF::LoadPictureFromFile(CFile* file, short dither) {
  if (!m_info || file == nullptr) return 0;
  DibHandle dib;
  try {
    dib = DecodeGifImage(*file, *m_info);
  } catch (const CFileException&) {
    return 0;
  }
  return AdoptDecodedDib(*this, std::move(dib), dither);
}

int CGIF::SavePicture(const char* name, short /*type*/) {
  if (!GifImageSaveEnable) return 0;
  if (!m_bLoaded || m_hDIB == nullptr) return 0;
  return SavePictureAsGif(*this, name != nullptr ? name : m_szFileName);
}

}  // namespace graphics
