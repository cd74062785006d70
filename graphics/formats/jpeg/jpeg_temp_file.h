// The temporary files through which JPEG pictures are converted: unique names in
// the system's temporary folder, made with the system's prefixes ("_W_" for BMP
// data, "_JP" for a JPEG copy), and removed again when the conversion ends.
#pragma once

#include <string>

namespace graphics {

// $TMPDIR, else /tmp, always with a trailing '/'.
std::string TemporaryFolder();

// Owns one temporary file: created empty on construction, removed on destruction.
class TemporaryFile {
 public:
  explicit TemporaryFile(const char* prefix);
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile();

  bool Created() const { return !m_name.empty(); }
  const std::string& Name() const { return m_name; }

 private:
  std::string m_name;  // empty when the file could not be made
};

}  // namespace graphics
