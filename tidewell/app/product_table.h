#pragma once

#include <string>

#include "tidewell/platform/clock.h"

namespace tidewell {

// The product table: switches, product names and list file names line up by position
// in string resources 1, 4 and 7. Position 0 is the generator, the last two positions
// are the custom product and resume switches.

// Item of the product names; false and "" when the table has no such position.
bool GetProductName(int position, std::string& name);

// Item of the list file names, same rules.
bool GetListFileName(int position, std::string& fileName);

// The server's base address followed directly by the list file name. A position of 0
// or less fails with ""; a position beyond the table gives the base address alone.
bool GetListUrl(int position, std::string& url);

// The install folder recorded for an installed product, ending with '/'. False and ""
// when the maker's key or the uninstall entry is missing, or it records no folder.
bool LookupInstallFolder(const std::string& productName, std::string& folder);

// A new staging folder for one run under the temporary folder, named after the local
// time of day (td140509/) and never one that exists already (then td140509-1/, ...).
// Only the name is chosen here; the run creates the folder.
std::string MakeStagingFolder();
std::string MakeStagingFolderAt(const LocalTime& time, const std::string& tempFolder);

// The staging folder followed by the part of the list address after its last '/'.
std::string MakeLocalListPath(const std::string& stagingFolder, const std::string& listUrl);

}  // namespace tidewell
