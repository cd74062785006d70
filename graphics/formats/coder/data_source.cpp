#include "graphics/formats/coder/data_source.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace graphics {

GRAPHICS_RUNTIME_CLASS(CDataSource)
GRAPHICS_RUNTIME_CLASS(CFileSource)

void CDataSource::Open(const char* name, const BYTE* start, std::size_t size) {
  m_name = name != nullptr ? name : "";
  m_start = start;
  m_readPos = start;
  m_size = size;
}

void CDataSource::Close() {
  m_name.clear();
  m_start = nullptr;
  m_readPos = nullptr;
  m_size = 0;
}

bool CDataSource::Skip(std::size_t bytes) {
  const std::size_t used = static_cast<std::size_t>(m_readPos - m_start);
  if (bytes > m_size - used) return false;
  m_readPos += bytes;
  return true;
}

namespace {

int OpenErrorCode(int error) {
  switch (error) {
    case ENOENT:
      return DecoderErrFileNotFound;
    case ENOTDIR:
      return DecoderErrPathNotFound;
    case EACCES:
    case EPERM:
    case EBUSY:
      return DecoderErrAccessDenied;
    default:
      return DecoderErrFileNotFound;
  }
}

// A missing file in a missing folder is "path not found", as the system reports it.
bool FolderMissing(const char* fileName) {
  std::string folder(fileName);
  const std::size_t slash = folder.rfind('/');
  if (slash == std::string::npos) return false;
  folder.resize(slash == 0 ? 1 : slash);
  struct stat info {};
  return ::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode);
}

}  // namespace

CFileSource::~CFileSource() { Close(); }

int CFileSource::Open(const char* fileName) {
  Close();
  if (fileName == nullptr) return DecoderErrFileNotFound;
  const int file = ::open(fileName, O_RDONLY | O_CLOEXEC);
  if (file < 0) {
    const int error = errno;
    if (error == ENOENT && FolderMissing(fileName)) return DecoderErrPathNotFound;
    return OpenErrorCode(error);
  }
  const int code = Map(file, fileName);
  m_file = file;  // after Map, which starts with a Close
  if (code != 0) Close();
  return code;
}

int CFileSource::Map(int descriptor, const char* name) {
  Close();
  struct stat info {};
  if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) return DecoderErrAccessDenied;
  const std::size_t size = static_cast<std::size_t>(info.st_size);
  if (size > 0) {
    void* view = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, descriptor, 0);
    if (view == MAP_FAILED) return DecoderErrAccessDenied;
    ::posix_madvise(view, size, POSIX_MADV_SEQUENTIAL);
    m_view = view;
    m_viewSize = size;
  }
  CDataSource::Open(name, static_cast<const BYTE*>(m_view), size);
  return 0;
}

void CFileSource::Close() {
  if (m_view != nullptr) ::munmap(m_view, m_viewSize);
  m_view = nullptr;
  m_viewSize = 0;
  CDataSource::Close();
  if (m_file >= 0) ::close(m_file);
  m_file = -1;
}

}  // namespace graphics
