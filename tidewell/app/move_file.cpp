#include "tidewell/app/move_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "tidewell/platform/folders.h"

namespace tidewell {
namespace {

mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

std::string FolderOf(const std::string& path) {
  const std::string folder = std::filesystem::path(path).parent_path().string();
  return folder.empty() ? "." : folder;
}

}  // namespace

bool MoveFinishedFile(const std::string& from, const std::string& to) {
  if (::chmod(from.c_str(), NewFileMode()) != 0) return false;
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  if (errno != EXDEV) return false;

  const std::string beside = MakeTempFileName(FolderOf(to), ".tidewell-");
  if (beside.empty()) return false;
  std::error_code ec;
  std::filesystem::copy_file(from, beside, std::filesystem::copy_options::overwrite_existing, ec);
  if (ec || ::chmod(beside.c_str(), NewFileMode()) != 0 ||
      std::rename(beside.c_str(), to.c_str()) != 0) {
    std::filesystem::remove(beside, ec);
    return false;
  }
  std::filesystem::remove(from, ec);
  return true;
}

}  // namespace tidewell
