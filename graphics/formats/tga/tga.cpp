#include "graphics/formats/tga/tga.h"

#include <cstring>
#include <utility>

#include "graphics/formats/coder/decoded_dib.h"
#include "graphics/formats/tga/tga_reader.h"
#include "graphics/formats/tga/tga_writer.h"
#include "graphics/platform/replacing_file.h"

namespace graphics {

CTGA::CTGA(const char* name, int readFlag) { StartNamedCoder(*this, PictureTGA, name, readFlag); }

CTGA::~CTGA() = default;

void CTGA::ReadHeader(CFile& file) {
  try {
    const auto header = ReadTgaHeader(file);
    if (!header || !ReplacePaletteBuffer(*this, nullptr, 0)) return;
    m_header = header->ToBytes();
    m_width = static_cast<short>(header->width);
    m_height = static_cast<short>(header->height);
    m_bHaveDIB = 1;
  } catch (const CFileException&) {
    m_bHaveDIB = 0;
  }
}

int CTGA::LoadOpenedFile(CFile& file, short dither) {
  file.SeekToBegin();
  ReadHeader(file);
  if (!m_bHaveDIB) return 0;
  file.SeekToBegin();
  return LoadFrom(file, dither);
}

int CTGA::LoadPicture(short dither) {
  if (!m_bHaveDIB) return 0;
  CFile file;
  if (!file.Open(m_szFileName, kReadShared)) return 0;
  return LoadFrom(file, dither);
}

int CTGA::LoadFrom(CFile& file, short dither) {
  DibHandle dib;
  try {
    dib = ReadTgaFile(file);
  } catch (const CFileException&) {
    return 0;
  }
  return AdoptDecodedDib(*this, std::move(dib), dither);
}

int CTGA::SavePicture(const char* name, short /*type*/) {
  if (!m_bLoaded || m_hDIB == nullptr) return 0;
  ReplacingFile output;
  if (!output.Open(name != nullptr ? name : m_szFileName)) return 0;
  try {
    if (!WriteTgaFile(output.File(), m_hDIB, m_PaletteBuffer)) return 0;
    output.Commit();
  } catch (const CFileException&) {
    return 0;  // the temporary file goes; the target is untouched
  }
  return 1;
}

}  // namespace graphics
