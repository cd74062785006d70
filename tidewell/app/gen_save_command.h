#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tidewell/updateset/generator_model.h"

namespace tidewell {

// tidewell-gen save: builds the generator model from options and files and saves the
// update set locally. Returns 0 when the list and every file were saved, else 1 with the
// reasons on err.
// The check flags named in --check's comma-separated list ("" and "none" name none);
// nothing, with a message naming the command, for an unknown word.
std::optional<std::vector<CheckFlag>> ParseChecks(const std::string& text, const char* command,
                                                  std::ostream& err);

int RunSaveCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

inline constexpr const char* kSaveUsage =
    "save --program-dir D --list-file PATH --out DIR [--base-url URL] [--windows-prefix P]\n"
    "       [--program-prefix P] [--other-prefix P] [--check modify,create,size]\n"
    "       [--sign-key SECRET.pem] [FILES...]\n"
    "                   write the update list and pack every file into DIR (without FILES,\n"
    "                   every file below the program folder); with a key, sign the list\n"
    "                   into PATH.sig";

}  // namespace tidewell
