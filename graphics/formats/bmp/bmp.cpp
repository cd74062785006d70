#include "graphics/formats/bmp/bmp.h"

#include <cstring>
#include <utility>

#include "graphics/core/dib_file_writer.h"
#include "graphics/formats/bmp/bmp_reader.h"
#include "graphics/formats/coder/decoded_dib.h"
#include "graphics/platform/replacing_file.h"

namespace graphics {

CBMP::CBMP(const char* name, int readFlag) {
  if (!StartNamedCoder(*this, PictureBMP, name, readFlag)) return;
  if (readFlag) m_bHaveDIB = 1;  // a file that cannot be read fails in LoadPicture
}

CBMP::CBMP(CFile* file, int readFlag) {
  m_bReadFile = readFlag;
  m_type = PictureBMP;
  if (readFlag && file != nullptr) m_bHaveDIB = 1;
}

CBMP::~CBMP() = default;

int CBMP::TakeDib(DibHandle dib, std::uint64_t blockSize, short dither) {
  if (!dib) return 0;
  ReplaceDib(m_hDIB, std::move(dib));
  m_dibSize = static_cast<DWORD>(blockSize);
  if (CPics::LoadPicture(dither)) return 1;
  FreeDib(m_hDIB);  // a failed load leaves no DIB behind
  m_bLoaded = 0;
  return 0;
}

int CBMP::LoadPicture(short dither) {
  if (!m_bHaveDIB) return 0;
  CFile file;
  if (!file.Open(m_szFileName, kReadShared)) return 0;
  try {
    BmpReadResult read = ReadBmpFile(file);
    file.Abort();
    return TakeDib(std::move(read.dib), read.blockSize, dither);
  } catch (const CFileException&) {
    return 0;
  }
}

int CBMP::LoadPictureFromFile(CFile* file, short dither) {
  if (!m_bHaveDIB || file == nullptr) return 0;
  try {
    BmpReadResult read = ReadBmpFile(*file);
    return TakeDib(std::move(read.dib), read.blockSize, dither);
  } catch (const CFileException&) {
    return 0;
  }
}

int CBMP::LoadOpenedFile(CFile& file, short dither) {
  file.SeekToBegin();
  return LoadPictureFromFile(&file, dither);
}

int CBMP::SavePicture(const char* name, short /*type*/) {
  if (!m_bLoaded || m_hDIB == nullptr) return 0;
  ReplacingFile output;
  if (!output.Open(name != nullptr ? name : m_szFileName)) return 0;
  if (!WriteDibAsBmp(output.File(), m_hDIB)) return 0;
  output.Commit();
  return 1;
}

int CBMP::SavePicture(CFile* file) { return CPics::SavePicture(file); }

}  // namespace graphics
