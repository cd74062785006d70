#include "tidewell/updateset/folder_path.h"

#include <sys/stat.h>

namespace tidewell {
namespace {

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

int EnsureFolderPath(const std::string& path) {
  std::string folder = path;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (folder.empty()) return kFolderNotCreated;
  if (Exists(folder)) return kFolderExisted;

  // Walk down from the top; the root itself is never created.
  size_t slash = folder.find_first_not_of('/');
  while ((slash = folder.find('/', slash)) != std::string::npos) {
    const std::string upper = folder.substr(0, slash);
    if (!Exists(upper)) ::mkdir(upper.c_str(), 0777);
    slash = folder.find_first_not_of('/', slash);
    if (slash == std::string::npos) break;
  }
  return ::mkdir(folder.c_str(), 0777) == 0 ? kFolderCreated : kFolderNotCreated;
}

}  // namespace tidewell
