#pragma once
// Deciding, file by file, which listed files differ from the installed copies, and
// fetching those into the staging folder.
#include <memory>
#include <string>
#include <vector>

#include "tidewell/updateset/folder_path.h"
#include "tidewell/transfer/transfer_limits.h"
#include "tidewell/updateset/update_list.h"

class QObject;

namespace tidewell {

class TransferJob;

// Sets compared on every entry, and needs update where the installed file is missing or
// unreadable, or differs by a check that is on: listed creation or modification time
// later than the file's, or a different size. Needs update is never cleared. Returns 0.
int CompareWithInstalled(UpdateList& list);

// The two lists a download job takes: item k of urls is fetched to item k of paths.
struct DownloadLists {
  std::vector<std::string> urls;
  std::vector<std::string> paths;
  std::vector<TransferLimits> limits;  // from each entry's listed size and hash
};

// The addresses and staged paths of the entries that are compared and need update, in
// list order; the folder of each staged path is created. An entry whose name would reach
// outside its folder is left out with a warning on standard error.
DownloadLists BuildDownloadLists(UpdateList& list);

// Starts the download job (decrypt and uncompress on, progress shown) for the lists of
// BuildDownloadLists; `message` goes to `window` when it ends. Returns the job, or null
// when nothing is to be fetched (no job is started then).
std::shared_ptr<TransferJob> CollectDownloads(UpdateList& list, QObject* window, unsigned message,
                                              const std::string& passPhrase);

}  // namespace tidewell
