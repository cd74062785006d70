#include "graphics/core/dib_file_writer.h"

#include <algorithm>
#include <cstring>

#include "graphics/core/dib_block.h"

namespace graphics {

bool WriteDibAsBmp(CFile& file, HGLOBAL hDIB) {
  LockedBlock dib(hDIB);
  if (!dib || !DibFitsBlock(dib.data(), dib.size())) return false;
  const DWORD headerSize = CPics::DIBHeaderSize(dib.data());
  const std::uint64_t imageSize =
      std::uint64_t(CPics::DIBByteWidth(dib.data())) * CPics::DIBHeight(dib.data());
  const std::uint64_t dataSize = headerSize + CPics::DIBPaletteSize(dib.data()) + imageSize;
  if (dataSize + 14 > 0xFFFFFFFFull) return false;  // does not fit the file header's size field
  if (headerSize == 40 || headerSize == 108) {
    const DWORD field = static_cast<DWORD>(imageSize);
    std::memcpy(dib.data() + 20, &field, sizeof field);
  }

  BYTE fileHeader[14] = {'B', 'M'};
  const DWORD fileSize = static_cast<DWORD>(dataSize + 14);
  const DWORD pixelOffset = static_cast<DWORD>(headerSize + CPics::DIBPaletteSize(dib.data()) + 14);
  std::memcpy(fileHeader + 2, &fileSize, 4);
  std::memcpy(fileHeader + 10, &pixelOffset, 4);
  file.Write(fileHeader, sizeof fileHeader);

  constexpr std::uint64_t kChunk = 1u << 30;
  for (std::uint64_t done = 0; done < dataSize;) {
    const std::uint64_t piece = std::min(kChunk, dataSize - done);
    file.Write(dib.data() + done, static_cast<UINT>(piece));
    done += piece;
  }
  return true;
}

}  // namespace graphics

int CPics::SavePicture(CFile* file) {
  if (!m_bLoaded || m_hDIB == nullptr || file == nullptr) return 0;
  return graphics::WriteDibAsBmp(*file, m_hDIB) ? 1 : 0;
}
