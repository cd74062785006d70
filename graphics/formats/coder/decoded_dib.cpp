#include "graphics/formats/coder/decoded_dib.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <new>
#include <utility>

#include "graphics/core/dib_block.h"

namespace graphics {

DibHandle AllocateDib(int width, int height, int bits, const BYTE* rgb, int colors) {
  if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide)
    return DibHandle();
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return DibHandle();
  DibHandle dib =
      DibHandle::Allocate(DibPixelOffset(bits) + RowStride(width, bits) * unsigned(height));
  LockedBlock block(dib.get());
  if (!block) return DibHandle();
  WriteDibHeader(block.data(), width, height, bits);
  if (bits <= 8 && rgb != nullptr) {
    BYTE* table = block.data() + kDibHeaderSize;
    const int entries = 1 << bits;
    for (int i = 0; i < colors && i < entries; ++i) {
      table[4 * i] = rgb[3 * i + 2];
      table[4 * i + 1] = rgb[3 * i + 1];
      table[4 * i + 2] = rgb[3 * i];
    }
  }
  return dib;
}

int AdoptDecodedDib(CPics& picture, DibHandle dib, short dither) {
  if (!dib) return 0;
  picture.m_dibSize = static_cast<DWORD>(GlobalSize(dib.get()));
  ReplaceDib(picture.m_hDIB, std::move(dib));
  picture.m_bHaveDIB = 1;
  if (picture.CPics::LoadPicture(dither)) return 1;
  FreeDib(picture.m_hDIB);
  picture.m_bLoaded = 0;
  return 0;
}

bool ReplacePaletteBuffer(CPics& picture, const BYTE* rgb, int colors) {
  // Owned by the object as new[] storage; its destructor deletes it.
  BYTE* fresh = new (std::nothrow) BYTE[768]();
  if (fresh == nullptr) return false;
  if (rgb != nullptr && colors > 0)
    std::memcpy(fresh, rgb, 3 * std::size_t(colors < 256 ? colors : 256));
  delete[] picture.m_PaletteBuffer;
  picture.m_PaletteBuffer = fresh;
  return true;
}

bool StartNamedCoder(CPics& picture, short type, const char* name, int readFlag) {
  picture.m_bReadFile = readFlag;
  picture.m_type = type;
  if (name == nullptr) return false;
  std::strncpy(picture.m_szFileName, name, sizeof picture.m_szFileName - 1);
  return true;
}

PictureFile::Stream PictureFile::StreamFromStart() {
  SeekToBegin();  // the copy shares the position
  const int copy = ::fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
  if (copy < 0) return nullptr;
  Stream stream(::fdopen(copy, "rb"));
  if (!stream) ::close(copy);
  return stream;
}

}  // namespace graphics
