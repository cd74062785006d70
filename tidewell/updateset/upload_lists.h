#pragma once
// The two lists an upload of an update set hands to the FTP job.
#include <string>
#include <vector>

#include "tidewell/updateset/update_list.h"

namespace tidewell {

// Appends the local file and its server path for every entry (prefix + "/" + name, with
// backslashes made slashes), preceded by the list file under its own name when
// includeListFile is set. Returns 1 (nothing to upload) for an empty list, else 0.
int CollectUploads(const UpdateList& files, std::vector<std::string>& sources,
                   std::vector<std::string>& destinations, const std::string& listFilePath,
                   bool includeListFile);

}  // namespace tidewell
