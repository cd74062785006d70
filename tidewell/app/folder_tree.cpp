#include <filesystem>

#include "tidewell/app/installation.h"

namespace tidewell {
namespace {

namespace fs = std::filesystem;

// True when the folder and everything in it is gone.
bool DeleteTree(const fs::path& folder) {
  std::error_code ec;
  bool all = true;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code statusError;
    const fs::file_status status = it->symlink_status(statusError);
    if (!statusError && fs::is_directory(status)) {
      all = DeleteTree(it->path()) && all;
    } else {
      std::error_code removeError;
      all = fs::remove(it->path(), removeError) && !removeError && all;
    }
  }
  if (ec) return false;
  std::error_code removeError;
  return all && fs::remove(folder, removeError) && !removeError;
}

}  // namespace

void DeleteFolderTree(const std::string& folder) {
  std::string path = folder;
  if (path.size() > 1 && path.back() == '/') path.pop_back();
  if (path.empty()) return;
  std::error_code ec;
  // A link in the folder's place is not followed: its target is not ours to empty.
  if (!fs::is_directory(fs::symlink_status(path, ec)) || ec) return;
  DeleteTree(path);
}

}  // namespace tidewell
