#include "graphics/formats/pcx/pcx.h"

#include <cstring>
#include <utility>

#include "graphics/core/dib_block.h"
#include "graphics/formats/coder/decoded_dib.h"
#include "graphics/formats/pcx/pcx_reader.h"
#include "graphics/formats/pcx/pcx_writer.h"
#include "graphics/platform/replacing_file.h"

namespace graphics {

CPCX::CPCX(const char* name, int readFlag) { StartNamedCoder(*this, PicturePCX, name, readFlag); }

CPCX::CPCX(CFile* file, int readFlag) {
  m_bReadFile = readFlag;
  m_type = PicturePCX;
  if (!readFlag || file == nullptr || !file->IsOpen()) return;
  try {
    const std::uint64_t start = file->GetPosition();
    Attach(*file);
    file->Seek(static_cast<std::int64_t>(start), CFile::begin);
  } catch (const CFileException&) {
    m_bHaveDIB = 0;
  }
}

CPCX::~CPCX() = default;

void CPCX::Attach(CFile& file) {
  try {
    const auto picture = ReadPcxHeader(file);
    if (!picture) return;
    const PcxHeader& h = picture->header;
    if (!ReplacePaletteBuffer(*this, picture->palette.data(), picture->colors)) return;
    m_width = static_cast<short>(h.width);
    m_height = static_cast<short>(h.height);
    m_bitsPerPixel = static_cast<short>(h.bitsPerPlane);
    m_planes = static_cast<short>(h.planes);
    m_numColors = static_cast<short>(h.Colors());
    m_byteWidth = static_cast<int>(RowStride(h.width, h.bitsPerPlane));
    m_dibSize =
        static_cast<DWORD>(std::uint64_t(m_byteWidth) * unsigned(h.planes) * unsigned(h.height));
    m_bHaveDIB = 1;
  } catch (const CFileException&) {
    m_bHaveDIB = 0;
  }
}

int CPCX::LoadOpenedFile(CFile& file, short dither) {
  file.SeekToBegin();
  Attach(file);
  file.SeekToBegin();
  return LoadPictureFromFile(&file, dither);
}

int CPCX::LoadPicture(short dither) {
  if (!m_bHaveDIB) return 0;
  CFile file;
  if (!file.Open(m_szFileName, kReadShared)) return 0;
  return LoadPictureFromFile(&file, dither);
}

int CPCX::LoadPictureFromFile(CFile* file, short dither) {
  if (!m_bHaveDIB || file == nullptr) return 0;
  DibHandle dib;
  try {
    dib = ReadPcxFile(*file);
  } catch (const CFileException&) {
    return 0;
  }
  return AdoptDecodedDib(*this, std::move(dib), dither);
}

int CPCX::SavePicture(const char* name, short /*type*/) {
  if (!m_bLoaded || m_hDIB == nullptr) return 0;
  ReplacingFile output;
  if (!output.Open(name != nullptr ? name : m_szFileName)) return 0;
  try {
    if (!WritePcxFile(output.File(), m_hDIB, m_PaletteBuffer)) return 0;
    output.Commit();
  } catch (const CFileException&) {
    return 0;  // the temporary file goes; the target is untouched
  }
  return 1;
}

}  // namespace graphics
