// Writes a file through a temporary file, put in place only when every byte is
// written: a failed save never leaves a half-written picture in place of the one
// that was there. The output name is followed the way a user means it: through a
// symbolic link the link's target is replaced (the link stays), and a device, pipe
// or other non-regular file is written into, never renamed over.
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
  // Closes the temporary file and renames it over the target (or copies it into a
  // non-regular one). Throws CFileException when that fails.
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

  void CopyIntoTarget();

  TemporaryFile m_file;
  std::string m_target;     // where the bytes go: the name with its links followed
  std::string m_temporary;  // empty when written in place
  bool m_copyInto = false;  // the target is a device, pipe or the like
};

// The file a name stands for once every symbolic link on the way is followed; the
// name itself when it is no link. The result may not exist yet (a dangling link).
std::string FollowLinks(const std::string& name);

}  // namespace graphics
