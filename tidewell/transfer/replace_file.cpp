#include "tidewell/transfer/replace_file.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace tidewell {

bool ReplaceFileWith(const std::string& source, const std::string& target) {
  if (std::rename(source.c_str(), target.c_str()) == 0) return true;
  if (errno != EXDEV) return false;

  namespace fs = std::filesystem;
  const std::string beside = target + ".part";
  std::error_code error;
  fs::copy_file(source, beside, fs::copy_options::overwrite_existing, error);
  if (error || std::rename(beside.c_str(), target.c_str()) != 0) {
    fs::remove(beside, error);
    return false;
  }
  fs::remove(source, error);
  return true;
}

}  // namespace tidewell
