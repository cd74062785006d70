#pragma once
// Whether another process holds an advisory lock (flock, POSIX record lock or open file
// description lock) on a file: the way a program here marks a file as in use.
#include <string>

namespace tidewell {

// True when some other process holds a lock on any part of the file that would keep us
// from writing it. A file that is missing, can't be opened, or is not a regular file (a
// symbolic link is not followed) counts as not locked.
bool LockedByAnotherProcess(const std::string& path);

}  // namespace tidewell
