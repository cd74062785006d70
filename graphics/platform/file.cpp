// The binary file class over POSIX I/O and its exception.
#include "Pics.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CFileException::CFileException(int cause, int osError, std::string fileName)
    : m_cause(cause), m_lOsError(osError), m_strFileName(std::move(fileName)) {
  m_message = "file error " + std::to_string(m_cause);
  if (m_lOsError != 0) m_message += std::string(" (") + std::strerror(m_lOsError) + ")";
  if (!m_strFileName.empty()) m_message += " on " + m_strFileName;
}

const char* CFileException::what() const noexcept { return m_message.c_str(); }

int CFileException::CauseFromErrno(int error) {
  switch (error) {
    case 0:
      return none;
    case ENOENT:
      return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return badPath;
    case EMFILE:
    case ENFILE:
      return tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return accessDenied;
    case ETXTBSY:
      return sharingViolation;
    case ESPIPE:
    case EINVAL:
      return badSeek;
    case EIO:
      return hardIO;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return diskFull;
    default:
      return generic;
  }
}

namespace {
[[noreturn]] void ThrowErrno(const std::string& name) {
  const int error = errno;
  throw CFileException(CFileException::CauseFromErrno(error), error, name);
}
}  // namespace

CFile::CFile() = default;

CFile::CFile(const char* name, UINT flags) {
  CFileException error;
  if (!Open(name, flags, &error)) throw error;
}

CFile::~CFile() {
  if (m_fd >= 0) ::close(m_fd);
}

BOOL CFile::Open(const char* name, UINT flags, CFileException* error) {
  if (m_fd >= 0) Abort();
  if (name == nullptr || *name == '\0') {
    if (error) *error = CFileException(CFileException::badPath, 0, name ? name : "");
    return FALSE;
  }
  int mode = O_CLOEXEC;
  switch (flags & 0x3) {
    case modeWrite:
      mode |= O_WRONLY;
      break;
    case modeReadWrite:
      mode |= O_RDWR;
      break;
    default:
      mode |= O_RDONLY;
      break;
  }
  if (flags & modeCreate) {
    mode |= O_CREAT;
    if (!(flags & modeNoTruncate)) mode |= O_TRUNC;
  }
  int fd;
  do {
    // Non-blocking only for the open itself: a pipe without a writer must not hang us.
    fd = ::open(name, mode | O_NONBLOCK, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    if (error) *error = CFileException(CFileException::CauseFromErrno(errno), errno, name);
    return FALSE;
  }
  // Folders, pipes and sockets open under POSIX but are no files to keep pictures in.
  struct stat info {};
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode) || S_ISFIFO(info.st_mode) ||
      S_ISSOCK(info.st_mode)) {
    ::close(fd);
    if (error)
      *error = CFileException(CFileException::accessDenied, S_ISDIR(info.st_mode) ? EISDIR : EINVAL,
                              name);
    return FALSE;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  m_fd = fd;
  m_strFileName = name;
  return TRUE;
}

UINT CFile::Read(void* buffer, UINT count) {
  if (m_fd < 0) throw CFileException(CFileException::generic, EBADF, m_strFileName);
  auto* out = static_cast<char*>(buffer);
  UINT done = 0;
  while (done < count) {
    const ssize_t got = ::read(m_fd, out + done, count - done);
    if (got < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(m_strFileName);
    }
    if (got == 0) break;  // end of file
    done += static_cast<UINT>(got);
  }
  return done;
}

void CFile::Write(const void* buffer, UINT count) {
  if (m_fd < 0) throw CFileException(CFileException::generic, EBADF, m_strFileName);
  const auto* in = static_cast<const char*>(buffer);
  UINT done = 0;
  while (done < count) {
    const ssize_t put = ::write(m_fd, in + done, count - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(m_strFileName);
    }
    if (put == 0) throw CFileException(CFileException::diskFull, ENOSPC, m_strFileName);
    done += static_cast<UINT>(put);
  }
}

std::uint64_t CFile::Seek(std::int64_t offset, UINT from) {
  if (m_fd < 0) throw CFileException(CFileException::generic, EBADF, m_strFileName);
  const int whence = from == current ? SEEK_CUR : from == end ? SEEK_END : SEEK_SET;
  const off_t position = ::lseek(m_fd, static_cast<off_t>(offset), whence);
  if (position < 0) ThrowErrno(m_strFileName);
  return static_cast<std::uint64_t>(position);
}

std::uint64_t CFile::GetPosition() const {
  if (m_fd < 0) return 0;
  const off_t position = ::lseek(m_fd, 0, SEEK_CUR);
  return position < 0 ? 0 : static_cast<std::uint64_t>(position);
}

std::uint64_t CFile::GetLength() const {
  struct stat info {};
  if (m_fd < 0 || ::fstat(m_fd, &info) != 0) return 0;
  return static_cast<std::uint64_t>(info.st_size);
}

void CFile::Flush() {
  if (m_fd >= 0 && ::fsync(m_fd) != 0 && errno != EINVAL && errno != EROFS)
    ThrowErrno(m_strFileName);
}

void CFile::Close() {
  if (m_fd < 0) return;
  const int fd = m_fd;
  m_fd = -1;
  if (::close(fd) != 0 && errno != EINTR) ThrowErrno(m_strFileName);
}

void CFile::Abort() {
  if (m_fd < 0) return;
  ::close(m_fd);
  m_fd = -1;
}
