#pragma once

#include <cstdio>
#include <string>

namespace tidewell {

// Owns one C stream. Close() tells whether everything buffered reached the file,
// which a write-only check of fwrite results would miss (a full disk shows up late).
class StdioFile {
 public:
  StdioFile() = default;
  StdioFile(const std::string& path, const char* mode) { Open(path, mode); }
  ~StdioFile() {
    if (file_ != nullptr) std::fclose(file_);
  }
  StdioFile(const StdioFile&) = delete;
  StdioFile& operator=(const StdioFile&) = delete;

  bool Open(const std::string& path, const char* mode) {
    if (file_ != nullptr) std::fclose(file_);
    file_ = std::fopen(path.c_str(), mode);
    return file_ != nullptr;
  }

  explicit operator bool() const { return file_ != nullptr; }
  std::FILE* get() const { return file_; }

  bool Close() {
    if (file_ == nullptr) return false;
    const int rc = std::fclose(file_);
    file_ = nullptr;
    return rc == 0;
  }

 private:
  std::FILE* file_ = nullptr;
};

// True when both paths name one existing file (opening the second for writing would
// truncate the first before it is read).
bool IsSameFile(const std::string& a, const std::string& b);

}  // namespace tidewell
