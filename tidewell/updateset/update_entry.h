#pragma once
// One file of an update set, as listed in an update list.
#include <cstdint>
#include <string>

namespace tidewell {

struct UpdateEntry {
  std::string name;      // path below its section's folder, as in the list (bin\x.dll)
  int64_t modified = 0;  // last-write time, seconds since 1970
  int64_t created = 0;   // creation time, same unit
  int64_t size = 0;      // bytes
  std::string sha256;    // SHA-256 of the unpacked bytes, 64 lowercase hex; empty when not listed
  std::string url;       // where the client fetches the packed file
  std::string prefix;    // folder of the update set holding the file (set by the writer)
  std::string
      installedPath;       // the file on this machine (client) or in the program folder (generator)
  std::string stagedPath;  // the fetched, unpacked copy in the run's staging folder
  bool checkModify = false;
  bool checkCreate = false;
  bool checkSize = false;
  bool compared = false;     // set by the comparison with the installed file
  bool needsUpdate = false;  // set by the comparison with the installed file
};

}  // namespace tidewell
