#pragma once

#include <string>

namespace tidewell {

// Moves a finished file to its destination, replacing what is there. Across file
// systems the data is copied beside the destination first and renamed over it, so the
// destination is never seen half written. A replaced file keeps its permission bits; a
// new one gets those of a newly created file (0666 less the umask). False when it could not be
// moved; the source is then left where it was.
bool MoveFinishedFile(const std::string& from, const std::string& to);

// Puts a finished file at an output name the user gave. A symbolic link keeps its link:
// the file replaces the link's target. A name that is not a regular file (a device, a
// pipe, "-" for standard output) is written into directly and `from` removed. Otherwise
// as MoveFinishedFile.
bool PlaceOutputFile(const std::string& from, const std::string& to);

}  // namespace tidewell
