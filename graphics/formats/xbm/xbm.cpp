#include "graphics/formats/xbm/xbm.h"

#include <cstring>
#include <utility>

#include "graphics/formats/coder/decoded_dib.h"
#include "graphics/formats/xbm/xbm_reader.h"
#include "graphics/formats/xbm/xbm_writer.h"
#include "graphics/platform/replacing_file.h"

namespace graphics {

namespace {
// White, as a colour relative to the picture's palette.
constexpr COLORREF kTransparentWhite = 0x02FFFFFF;
}  // namespace

CXBM::CXBM(const char* name, int readFlag) {
  if (!StartNamedCoder(*this, PictureXBM, name, readFlag) || !readFlag) return;
  const BYTE blackWhite[6] = {0, 0, 0, 255, 255, 255};
  if (!ReplacePaletteBuffer(*this, blackWhite, 2)) return;
  m_bTransparent = 1;
  m_transparentColor = kTransparentWhite;
  m_bHaveDIB = 1;
}

CXBM::~CXBM() = default;

int CXBM::LoadPicture(short dither) {
  if (!m_bHaveDIB) return 0;
  CFile file;
  if (!file.Open(m_szFileName, kReadShared)) return 0;
  return LoadFrom(file, dither);
}

int CXBM::LoadOpenedFile(CFile& file, short dither) {
  if (!m_bHaveDIB) return 0;
  file.SeekToBegin();
  return LoadFrom(file, dither);
}

int CXBM::LoadFrom(CFile& file, short dither) {
  DibHandle dib;
  try {
    dib = ReadXbmFile(file);
  } catch (const CFileException&) {
    return 0;
  }
  return AdoptDecodedDib(*this, std::move(dib), dither);
}

int CXBM::SavePicture(const char* name, short /*type*/) {
  if (!m_bLoaded || m_hDIB == nullptr) return 0;
  ReplacingFile output;
  if (!output.Open(name != nullptr ? name : m_szFileName)) return 0;
  try {
    if (!WriteXbmFile(output.File(), m_hDIB)) return 0;
    output.Commit();
  } catch (const CFileException&) {
    return 0;  // the temporary file goes; the target is untouched
  }
  return 1;
}

}  // namespace graphics
