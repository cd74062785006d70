#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tidewell {

// tidewell-gen save: builds the generator model from options and files and saves the
// update set locally. Returns 0 when the list and every file were saved, else 1 with the
// reasons on err.
int RunSaveCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

inline constexpr const char* kSaveUsage =
    "save --program-dir D --list-file PATH --out DIR [--base-url URL] [--windows-prefix P]\n"
    "       [--program-prefix P] [--other-prefix P] [--check modify,create,size] [FILES...]\n"
    "                   write the update list and pack every file into DIR (without FILES,\n"
    "                   every file below the program folder)";

}  // namespace tidewell
