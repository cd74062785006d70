#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tidewell {

class GeneratorModel;
class StagingFolder;

// tidewell-gen save: builds the generator model from options and files and saves the
// update set locally. Returns 0 when the list and every file were saved, else 1 with the
// reasons on err; a failed save leaves nothing of the new set behind.
int RunSaveCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Saves the model's set into the staging folder (the list as <staging>/list/<name>, the
// packed files below <staging>/set); model.listFile names the staged list afterwards.
// False, with the reasons on err, when any part could not be saved.
bool StageUpdateSet(const std::string& command, GeneratorModel& model, const StagingFolder& staging,
                    std::ostream& err);
// Moves a staged set into `outFolder` and its list to `listFile`, with a line per file.
bool CommitStagedSet(const std::string& command, const GeneratorModel& model,
                     const StagingFolder& staging, const std::string& outFolder,
                     const std::string& listFile, std::ostream& out, std::ostream& err);

inline constexpr const char* kSaveUsage =
    "save --program-dir D --list-file PATH --out DIR [--base-url URL] [--windows-prefix P]\n"
    "       [--program-prefix P] [--other-prefix P] [--check modify,create,size|none]\n"
    "       [--sign-key SECRET.pem] [FILES...]\n"
    "                   write the update list and pack every file into DIR (without FILES,\n"
    "                   every file below the program folder; --check defaults to modify,size);\n"
    "                   with a key, sign the packed list into PATH.sig";

}  // namespace tidewell
