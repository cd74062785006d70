#include "tidewell/updateset/upload_lists.h"

#include <algorithm>

namespace tidewell {
namespace {

std::string WithSlashes(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

}  // namespace

int CollectUploads(const UpdateList& files, std::vector<std::string>& sources,
                   std::vector<std::string>& destinations, const std::string& listFilePath,
                   bool includeListFile) {
  if (files.Count() == 0) return 1;
  if (includeListFile) {
    const std::string path = WithSlashes(listFilePath);
    sources.push_back(listFilePath);
    destinations.push_back(path.substr(path.rfind('/') + 1));
  }
  for (const UpdateEntry& entry : files) {
    sources.push_back(entry.installedPath);
    destinations.push_back(WithSlashes(entry.prefix + "/" + entry.name));
  }
  return 0;
}

}  // namespace tidewell
