#pragma once
// Well-known folders, existence tests and unique temporary files.
#include <string>

namespace tidewell {

// $TMPDIR or /tmp, always with a trailing '/'.
std::string TempFolder();
// $TIDEWELL_WINDIR or /var/lib/corvane/windows, without a trailing '/'.
std::string WindowsFolder();

// Something that is not a folder exists at path (a regular file, a device, ...).
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);

// Creates a new empty file named prefix + a unique suffix in folder and returns its path;
// "" when it can't be created. The folder may be given with or without a trailing '/'.
std::string MakeTempFileName(const std::string& folder, const std::string& prefix);

// The folder part of a path: "/" for a file at the root, "." for a bare name.
std::string FolderOf(const std::string& path);
// True when path is folder itself or lies below it (both absolute or both relative,
// without "." or ".." parts).
bool IsAtOrBelow(const std::string& path, const std::string& folder);

// Joins a folder and a name with exactly one '/' between them.
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace tidewell
