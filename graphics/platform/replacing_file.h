// Writes a file through a temporary file beside it, renamed over the target only
// when every byte is written: a failed save never leaves a half-written picture
// in place of the one that was there.
#pragma once

#include <string>

#include "Pics.h"

namespace graphics {

class ReplacingFile {
 public:
  ReplacingFile() = default;
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;
  ~ReplacingFile();  // removes the temporary file unless Commit succeeded

  // Creates the temporary file. When the folder takes no new files but the target
  // itself is writable, the target is written in place instead. False when neither
  // can be opened.
  bool Open(const char* target);
  CFile& File() { return m_file; }
  // Closes the temporary file and renames it over the target. Throws CFileException
  // when the close or the rename fails.
  void Commit();

 private:
  // A CFile that takes over the descriptor mkostemp gave us.
  class TemporaryFile : public CFile {
   public:
    void Adopt(int fd, const std::string& name) {
      m_fd = fd;
      m_strFileName = name;
    }
  };

  TemporaryFile m_file;
  std::string m_target;
  std::string m_temporary;
};

}  // namespace graphics
