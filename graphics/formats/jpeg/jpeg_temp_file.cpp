#include "graphics/formats/jpeg/jpeg_temp_file.h"

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace graphics {

std::string TemporaryFolder() {
  const char* folder = std::getenv("TMPDIR");
  std::string path = folder != nullptr && *folder != '\0' ? folder : "/tmp";
  if (path.back() != '/') path += '/';
  return path;
}

TemporaryFile::TemporaryFile(const char* prefix) {
  const std::string pattern = TemporaryFolder() + prefix + "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return;
  ::close(fd);
  m_name = name.data();
}

TemporaryFile::~TemporaryFile() {
  if (!m_name.empty()) ::unlink(m_name.c_str());
}

}  // namespace graphics
