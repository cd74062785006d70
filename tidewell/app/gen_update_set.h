#pragma once
// What tidewell-gen's save, upload and fetch share: one option reader, the generator model
// built from options, the update set staged in a temporary folder until it is complete,
// and the lines that say what was written or sent.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tidewell/updateset/generator_model.h"

namespace tidewell {

struct GenOptions {
  std::map<std::string, std::string> values;  // option name -> value
  std::vector<std::string> operands;
  std::string Get(const std::string& name, const std::string& fallback = "") const;
  bool Has(const std::string& name) const { return values.count(name) != 0; }
};

// Every option takes a value; anything not starting with "--" is an operand. Nothing, with
// a message naming the command, for an unknown option, a missing value or a required
// option left out.
std::optional<GenOptions> ParseGenOptions(const std::string& command,
                                          const std::vector<std::string>& args,
                                          const std::vector<std::string>& known,
                                          const std::vector<std::string>& required,
                                          std::ostream& err);

// The options save and upload share for building the set.
const std::vector<std::string>& SetOptionNames();

// The check flags named in --check's comma-separated list ("" and "none" name none);
// nothing, with a message naming the command, for an unknown word.
std::optional<std::vector<CheckFlag>> ParseChecks(const std::string& text, const char* command,
                                                  std::ostream& err);

// An absolute, normalised path without a trailing '/'.
std::string AbsolutePath(const std::string& path);

// The model of --program-dir, --list-file and the prefixes, with the named files (every
// file below the program folder when none is named, leaving out the list file and
// `leaveOut`) and the checks of --check (modify and size when not given: a list that
// compares nothing would never update a changed file). Nothing, with a message, when the
// options do not make a set.
std::unique_ptr<GeneratorModel> ModelFromOptions(const std::string& command,
                                                 const GenOptions& options,
                                                 const std::string& leaveOut, std::ostream& err);

// A temporary folder beside `besidePath` (in the temporary folder when empty) that holds
// an update set until it is complete; removed with everything in it unless committed.
class StagingFolder {
 public:
  explicit StagingFolder(const std::string& besidePath);
  ~StagingFolder();
  StagingFolder(const StagingFolder&) = delete;
  StagingFolder& operator=(const StagingFolder&) = delete;

  bool ok() const { return !path_.empty(); }
  const std::string& path() const { return path_; }
  // Moves every file below `below` (a folder inside the staging folder) to the same place
  // below `folder`, replacing what is there. False at the first file that cannot be moved.
  bool MoveFilesInto(const std::string& below, const std::string& folder) const;

 private:
  std::string path_;
};

struct FtpJob;

// Points an upload job whose lists CollectUploads made from a staged set (the staged list
// first) at the staged, packed files, with the list's signature right after the list when
// the set is signed. The job packs nothing more.
void SendStagedSet(FtpJob& job, const StagingFolder& staging, const std::string& stagedList,
                   bool signedList);

// "1 234 567": digits grouped in threes for people reading the lines.
std::string GroupedNumber(uint64_t value);

// The set's path of an entry as its lines name it: prefix/name with slashes.
std::string SetPathOf(const UpdateEntry& entry);

}  // namespace tidewell
