#include "graphics/formats/tiff/tiff_file_client.h"

namespace graphics {
namespace {

CFile& FileOf(thandle_t handle) { return *static_cast<CFile*>(handle); }

tmsize_t ReadFile(thandle_t handle, void* buffer, tmsize_t count) {
  try {
    return static_cast<tmsize_t>(FileOf(handle).Read(buffer, static_cast<UINT>(count)));
  } catch (const CFileException&) {
    return -1;
  }
}

tmsize_t WriteFile(thandle_t handle, void* buffer, tmsize_t count) {
  try {
    FileOf(handle).Write(buffer, static_cast<UINT>(count));
    return count;
  } catch (const CFileException&) {
    return -1;
  }
}

toff_t SeekFile(thandle_t handle, toff_t offset, int whence) {
  try {
    const UINT from = whence == SEEK_CUR   ? CFile::current
                      : whence == SEEK_END ? CFile::end
                                           : CFile::begin;
    return FileOf(handle).Seek(static_cast<std::int64_t>(offset), from);
  } catch (const CFileException&) {
    return toff_t(-1);
  }
}

int CloseFile(thandle_t) { return 0; }  // the file's owner closes it

toff_t SizeFile(thandle_t handle) {
  try {
    return FileOf(handle).GetLength();
  } catch (const CFileException&) {
    return 0;
  }
}

int NoMap(thandle_t, void**, toff_t*) { return 0; }
void NoUnmap(thandle_t, void*, toff_t) {}

}  // namespace

TIFF* OpenTiffOnFile(CFile& file, const char* name, const char* mode, TIFFOpenOptions* options) {
  return TIFFClientOpenExt(name, mode, &file, ReadFile, WriteFile, SeekFile, CloseFile, SizeFile,
                           NoMap, NoUnmap, options);
}

}  // namespace graphics
