#include "graphics/platform/replacing_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace graphics {

ReplacingFile::~ReplacingFile() {
  if (!m_temporary.empty()) {
    m_file.Abort();
    ::unlink(m_temporary.c_str());
  }
}

bool ReplacingFile::Open(const char* target) {
  if (target == nullptr || *target == '\0') return false;
  m_target = target;
  std::vector<char> name(m_target.begin(), m_target.end());
  const char suffix[] = ".tmpXXXXXX";
  name.insert(name.end(), suffix, suffix + sizeof suffix);
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return m_file.Open(target, CFile::modeCreate | CFile::modeWrite) == TRUE;
  // Keep the permission bits of the file being replaced, else the usual ones.
  struct stat info {};
  if (::stat(target, &info) == 0) {
    ::fchmod(fd, info.st_mode & 07777);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }
  m_temporary = name.data();
  m_file.Adopt(fd, m_target);
  return true;
}

void ReplacingFile::Commit() {
  m_file.Close();
  if (m_temporary.empty()) return;  // written in place
  if (::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
    const int error = errno;
    throw CFileException(CFileException::CauseFromErrno(error), error, m_target);
  }
  m_temporary.clear();
}

}  // namespace graphics
