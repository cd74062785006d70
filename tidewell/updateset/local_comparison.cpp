#include "tidewell/updateset/local_comparison.h"

#include <iostream>

#include "tidewell/platform/file_status.h"
#include "tidewell/transfer/http_download.h"
#include "tidewell/updateset/list_paths.h"

namespace tidewell {

int CompareWithInstalled(UpdateList& list) {
  for (UpdateEntry& entry : list) {
    const auto status = GetFileStatus(entry.installedPath);
    // A folder in the file's place, or a file whose status can't be read, counts as missing.
    if (!status || status->isFolder) {
      entry.compared = true;
      entry.needsUpdate = true;
      continue;
    }
    if (entry.checkCreate && entry.created > status->created) entry.needsUpdate = true;
    if (entry.checkModify && entry.modified > status->modified) entry.needsUpdate = true;
    if (entry.checkSize && (entry.size < 0 || static_cast<uint64_t>(entry.size) != status->size))
      entry.needsUpdate = true;
    entry.compared = true;
  }
  return 0;
}

DownloadLists BuildDownloadLists(UpdateList& list) {
  DownloadLists lists;
  for (const UpdateEntry& entry : list) {
    if (!entry.compared || !entry.needsUpdate) continue;
    if (!StaysBelowFolder(entry.name) || entry.stagedPath.empty()) {
      std::cerr << "tidewell: \"" << entry.name << "\" reaches outside its folder; not fetched\n";
      continue;
    }
    const size_t slash = entry.stagedPath.rfind('/');
    if (slash != std::string::npos && slash > 0)
      EnsureFolderPath(entry.stagedPath.substr(0, slash));
    lists.urls.push_back(entry.url);
    lists.paths.push_back(entry.stagedPath);
    lists.limits.push_back({PackedSizeLimit(entry.size), entry.size, entry.sha256});
  }
  return lists;
}

std::shared_ptr<TransferJob> CollectDownloads(UpdateList& list, QObject* window, unsigned message,
                                              const std::string& passPhrase) {
  DownloadLists lists = BuildDownloadLists(list);
  if (lists.urls.empty()) return nullptr;
  return StartHttpDownload(std::move(lists.urls), std::move(lists.paths), window, false, true,
                           message, true, true, passPhrase, std::move(lists.limits));
}

}  // namespace tidewell
