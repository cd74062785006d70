#include "graphics/formats/tiff/tif.h"

#include <tiffio.h>

#include <cstring>
#include <vector>

#include "graphics/core/dib_block.h"
#include "graphics/formats/coder/decoded_dib.h"
#include "graphics/formats/coder/framework_dib.h"
#include "graphics/formats/coder/pic_decoder.h"
#include "graphics/formats/tiff/tiff_memory_client.h"
#include "graphics/formats/tiff/tiff_messages.h"
#include "graphics/formats/tiff/tiff_writer.h"

namespace graphics {

CTIF::CTIF(const char* name, int readFlag) { StartNamedCoder(*this, PictureTIFF, name, readFlag); }

CTIF::CTIF(CFile* file, int readFlag) {
  m_bReadFile = readFlag;
  m_type = PictureTIFF;
  if (readFlag && file != nullptr && file->IsOpen()) m_bHaveDIB = 1;
}

CTIF::~CTIF() = default;

int CTIF::LoadPicture(short dither) {
  if (!m_bHaveDIB) return 0;
  CAnyPicDecoder decoder;
  CWinBmp bitmap;
  decoder.MakeBmpFromFile(m_szFileName, &bitmap, 0);
  // The decoded picture becomes true colour, as a capture from the screen would.
  return AdoptDecodedDib(*this, TrueColorDibOf(bitmap), dither);
}

int CTIF::LoadOpenedFile(PictureFile& file, short dither) {
  CWinBmp bitmap;
  {
    CFileSource mapped;
    if (mapped.Map(file.Descriptor(), m_szFileName) != 0) return 0;
    InstallSilentTiffHandlers();
    TIFF* tiff = OpenTiffInMemory(mapped.StartPos(), mapped.Size());
    if (tiff == nullptr) return 0;
    TIFFClose(tiff);
    m_bHaveDIB = 1;
    CAnyPicDecoder decoder;
    decoder.MakeBmpFromMapped(&mapped, &bitmap, 0);
  }  // the file's pages go before the DIB is made
  return AdoptDecodedDib(*this, TrueColorDibOf(bitmap), dither);
}

int CTIF::LoadPictureFromFile(CFile* file, short dither) {
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
  CDataSource source;
  source.Open(file->GetFilePath().c_str(), bytes.data(), bytes.size());
  CAnyPicDecoder decoder;
  CWinBmp bitmap;
  decoder.MakeBmp(&source, &bitmap, 0);
  return AdoptDecodedDib(*this, TrueColorDibOf(bitmap), dither);
}

int CTIF::SavePicture(const char* name, short /*type*/) {
  if (m_hDIB == nullptr) return 0;
  const char* path = name != nullptr ? name : m_szFileName;
  int bits = 0;
  {
    LockedBlock dib(m_hDIB);
    if (!dib || !DibFitsBlock(dib.data(), dib.size())) return 0;
    bits = DIBBitsPerPixel(dib.data());
    if (bits == 8 || bits == 24) return WriteDibAsTiff(path, dib.data());
  }
  // Other depths are written from an 8-bit copy.
  const DibHandle copy = ConvertedCopy(m_hDIB, &CPics::ConvertTo8BPP);
  LockedBlock converted(copy.get());
  if (!converted || !DibFitsBlock(converted.data(), converted.size())) return 0;
  return WriteDibAsTiff(path, converted.data());
}

}  // namespace graphics
