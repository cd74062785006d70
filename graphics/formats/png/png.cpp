#include "graphics/formats/png/png.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "graphics/core/dib_block.h"
#include "graphics/formats/coder/decoded_dib.h"
#include "graphics/formats/png/png_reader.h"
#include "graphics/formats/png/png_writer.h"

namespace graphics {

struct CPNG::Decoded : PngPicture {};

CPNG::CPNG(const char* name, int readFlag) {
  if (!StartNamedCoder(*this, PicturePNG, name, readFlag)) return;
  if (readFlag) m_bHaveDIB = 1;  // a file that cannot be read fails in LoadPicture
}

CPNG::CPNG(CFile* file, int readFlag) {
  m_bReadFile = readFlag;
  m_type = PicturePNG;
  if (!readFlag || file == nullptr || !file->IsOpen()) return;
  m_bHaveDIB = 1;
}

CPNG::~CPNG() = default;

int CPNG::Adopt(Decoded& picture, short dither) {
  m_bTransparent = picture.transparent ? 1 : 0;
  m_transparentColor = picture.transparentColor;
  if (!ReplacePaletteBuffer(*this, picture.palette.data(), int(picture.palette.size() / 3)))
    return 0;
  m_numColors = short(picture.hasPlte ? picture.palette.size() / 3 : 0);
  return AdoptDecodedDib(*this, std::move(picture.dib), dither);
}

int CPNG::LoadPicture(short dither) {
  if (!m_bHaveDIB) return 0;
  const PictureFile::Stream file(std::fopen(m_szFileName, "rb"));
  return LoadStream(file.get(), dither);
}

int CPNG::LoadOpenedFile(PictureFile& file, short dither) {
  if (!m_bHaveDIB) return 0;
  return LoadStream(file.StreamFromStart().get(), dither);
}

int CPNG::LoadStream(std::FILE* stream, short dither) {
  if (stream == nullptr) return 0;
  std::optional<PngPicture> read = ReadPngFile(stream);
  if (!read) return 0;
  Decoded decoded{std::move(*read)};
  return Adopt(decoded, dither);
}

int CPNG::LoadPictureFromFile(CFile* file, short dither) {
  if (!m_bHaveDIB || file == nullptr) return 0;
  const std::uint64_t length = file->GetLength();
  if (length > std::uint64_t(UINT32_MAX)) return 0;
  std::vector<BYTE> bytes;
  try {
    bytes.resize(static_cast<std::size_t>(length));
  } catch (const std::bad_alloc&) {
    return 0;
  }
  file->SeekToBegin();
  if (file->Read(bytes.data(), static_cast<UINT>(bytes.size())) != bytes.size()) return 0;
  std::optional<PngPicture> read = ReadPngMemory(bytes.data(), bytes.size());
  if (!read) return 0;
  Decoded decoded{std::move(*read)};
  return Adopt(decoded, dither);
}

int CPNG::SavePicture(const char* name, short /*type*/) {
  if (m_hDIB == nullptr) return 0;
  const char* path = name != nullptr ? name : m_szFileName;
  PngPictureSettings settings;
  settings.interlace = m_bPngInterlace != 0;
  settings.transparent = m_bTransparent != 0;
  settings.transparentColor = m_transparentColor;
  settings.background = m_bPngBackground != 0;
  settings.backgroundColor = m_pngBackgroundColor;
  settings.bitDepthLimit = m_pngBitDepthLimit;
  int bits = 0;
  {
    LockedBlock dib(m_hDIB);
    if (!dib || !DibFitsBlock(dib.data(), dib.size())) return 0;
    bits = DIBBitsPerPixel(dib.data());
    if (bits != 16 && bits != 32) return WriteDibAsPng(path, dib.data(), settings);
  }
  // 16- and 32-bit pictures are written from a 24-bit copy.
  const DibHandle copy = ConvertedCopy(m_hDIB, &CPics::ConvertTo24BPP);
  LockedBlock converted(copy.get());
  if (!converted || !DibFitsBlock(converted.data(), converted.size())) return 0;
  return WriteDibAsPng(path, converted.data(), settings);
}

}  // namespace graphics
