#include "graphics/platform/replacing_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace graphics {

namespace {

// Opens a new temporary file from the pattern (ending in XXXXXX); -1 on failure.
int MakeTemporary(std::string& pattern) {
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd >= 0) pattern = name.data();
  return fd;
}

std::string TemporaryFolder() {
  const char* folder = std::getenv("TMPDIR");
  return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

[[noreturn]] void Throw(int error, const std::string& name) {
  throw CFileException(CFileException::CauseFromErrno(error), error, name);
}

}  // namespace

std::string FollowLinks(const std::string& name) {
  std::string path = name;
  for (int hops = 0; hops < 40; ++hops) {  // as many as the kernel follows
    std::vector<char> link(4096);
    const ssize_t length = ::readlink(path.c_str(), link.data(), link.size() - 1);
    if (length < 0) return path;
    const std::string target(link.data(), size_t(length));
    const std::string::size_type slash = path.rfind('/');
    path = target.front() == '/' || slash == std::string::npos ? target
                                                               : path.substr(0, slash + 1) + target;
  }
  return path;
}

ReplacingFile::~ReplacingFile() {
  if (!m_temporary.empty()) {
    m_file.Abort();
    ::unlink(m_temporary.c_str());
  }
}

bool ReplacingFile::Open(const char* target) {
  if (target == nullptr || *target == '\0') return false;
  // The kernel's own lookup first: it also follows links that name no path, such as
  // /dev/stdout on a pipe.
  struct stat info {};
  const bool exists = ::stat(target, &info) == 0;
  if (exists && S_ISDIR(info.st_mode)) return false;
  m_copyInto = exists && !S_ISREG(info.st_mode);
  if (m_copyInto) {
    m_target = target;
  } else if (exists) {
    char* real = ::realpath(target, nullptr);
    m_target = real != nullptr ? real : target;
    std::free(real);
  } else {
    m_target = FollowLinks(target);  // a link to a file yet to be made
  }
  // Beside the target, so that the rename stays on one file system and atomic; a
  // device's bytes are gathered in the temporary folder instead.
  std::string name = (m_copyInto ? TemporaryFolder() + "/graphics" : m_target) + ".tmpXXXXXX";
  const int fd = MakeTemporary(name);
  if (fd < 0) {
    if (m_copyInto) return false;
    return m_file.Open(m_target.c_str(), CFile::modeCreate | CFile::modeWrite) == TRUE;
  }
  // Keep the permission bits of the file being replaced, else the usual ones.
  if (exists && !m_copyInto) {
    ::fchmod(fd, info.st_mode & 07777);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }
  m_temporary = name;
  m_file.Adopt(fd, m_target);
  return true;
}

void ReplacingFile::CopyIntoTarget() {
  const int in = ::open(m_temporary.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) Throw(errno, m_target);
  const int out = ::open(m_target.c_str(), O_WRONLY | O_CLOEXEC);
  if (out < 0) {
    const int error = errno;
    ::close(in);
    Throw(error, m_target);
  }
  std::vector<char> buffer(1 << 16);
  int error = 0;
  for (;;) {
    const ssize_t got = ::read(in, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      if (got < 0) error = errno;
      break;
    }
    for (ssize_t done = 0; done < got && error == 0;) {
      const ssize_t put = ::write(out, buffer.data() + done, size_t(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0)
        error = put < 0 ? errno : EIO;
      else
        done += put;
    }
    if (error != 0) break;
  }
  ::close(in);
  if (::close(out) != 0 && error == 0) error = errno;
  if (error != 0) Throw(error, m_target);
}

void ReplacingFile::Commit() {
  m_file.Close();
  if (m_temporary.empty()) return;  // written in place
  if (m_copyInto) {
    CopyIntoTarget();
    ::unlink(m_temporary.c_str());
  } else if (::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
    Throw(errno, m_target);
  }
  m_temporary.clear();
}

}  // namespace graphics
