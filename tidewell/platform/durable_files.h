#pragma once
// Making written files and folder entries survive a power loss.
#include <string>
#include <vector>

namespace tidewell {

// Makes the data of every file durable in one pass, from a few threads at once: the disk
// takes the flushes together, so many small files cost about as much as one. (Measured
// against one syncfs per file system it is as fast, and never waits for other programs'
// writes.) True when every file was flushed.
bool SyncFiles(const std::vector<std::string>& paths);
bool SyncFile(const std::string& path);

// Makes the folder's entries (names created, renamed or removed in it) durable.
bool SyncFolder(const std::string& folder);

}  // namespace tidewell
