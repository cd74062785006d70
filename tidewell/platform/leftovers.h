#pragma once
// Removing what runs that were killed left behind.
#include <set>
#include <string>

namespace tidewell {

// The file each run holds locked inside its staging folder.
inline constexpr const char* kStagingLockName = ".lock";
// Prefix of the runtime folders a program with windows makes (and holds locked).
inline constexpr const char* kRuntimeFolderPrefix = "tidewell-runtime-";

// Removes from the temporary folder what belongs to runs no longer alive: staging folders
// ("td...") whose lock can be taken, runtime folders nobody holds, product lock files
// nobody holds, and unpacking files ("ucf...") untouched for an hour.
void RemoveLeftoversOfEndedRuns(const std::string& tempFolder);

// Removes the copies a killed installation left in folder beside the files named
// (".<name>.XXXXXX" + the copy suffix).
void RemoveCopiesBeside(const std::string& folder, const std::set<std::string>& names);

}  // namespace tidewell
