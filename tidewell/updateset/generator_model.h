#pragma once
// The generator's model: the settings of an update set, its file list with the per-file
// comparison flags, and saving the set into a local folder.
#include <cstddef>
#include <string>
#include <vector>

#include "tidewell/updateset/update_list.h"

namespace tidewell {

// The three comparison flags of a listed file.
enum class CheckFlag { Create, Modify, Size };

// State of a three-state check box.
inline constexpr int kCheckOff = 0;
inline constexpr int kCheckOn = 1;
inline constexpr int kCheckMixed = 2;

// What SaveUpdateSetLocally did; the window shows none of it, the command line does.
struct SaveOutcome {
  int listResult = kListWritten;      // WriteUpdateList's result
  bool listPacked = false;            // the list file was replaced by its packed form
  std::vector<std::string> notSaved;  // installed paths of files left out of the set
  std::string signError;              // why the list could not be signed; empty when it was
  bool Complete() const {
    return listResult == kListWritten && listPacked && notSaved.empty() && signError.empty();
  }
};

class GeneratorModel {
 public:
  // Settings with their initial values. remoteWebDirectory starts as the update server's
  // base address; the pass phrase is the program's own, handed in by its creator.
  explicit GeneratorModel(std::string passPhrase);

  std::string remoteWebDirectory;  // the list's base URL
  std::string listFile = "/update.ini";
  std::string programFolder = "/";
  std::string otherPrefix = "others";
  std::string programPrefix = "program";
  std::string windowsPrefix = "winfiles";
  std::string localUpdateSetFolder = "/";
  std::string signingKey;  // secret key file the packed list is signed with; empty for none

  UpdateList& Files() { return files_; }
  const UpdateList& Files() const { return files_; }

  // Appends one entry per path: the path as installed path, and the file's creation time,
  // modification time and size (zero when its status can't be read); flags off.
  void AddFiles(const std::vector<std::string>& paths);
  // Removes the entries at the given positions (any order; repeats and positions past the
  // end are ignored), from the highest position down.
  void RemoveFiles(std::vector<size_t> positions);

  // Box state of a flag over the selected entries: kCheckOff when none has it, kCheckOn
  // when all have it, kCheckMixed when some do or nothing is selected.
  int CheckState(CheckFlag flag, const std::vector<size_t>& selection) const;
  // A click on the box: from off it turns on, from on or mixed it turns off (the mixed
  // state is never chosen). Sets the flag of every selected entry accordingly and returns
  // the box's new state.
  int ClickCheck(CheckFlag flag, const std::vector<size_t>& selection);
  // Sets the flag of the selected entries.
  void SetCheck(CheckFlag flag, const std::vector<size_t>& selection, bool on);

  // Writes the update list to listFile, replaces it with its packed form (compressed,
  // then encrypted), signs it into listFile + ".sig" when there is a signing key, and
  // packs every listed file into localUpdateSetFolder (CopyPackedFiles).
  SaveOutcome SaveUpdateSetLocally();

  // Packs each entry's installed file into folder/prefix/name (names and prefixes as the
  // last WriteUpdateList set them). Returns 0; the installed paths of the files that were
  // not saved are appended to notSaved when it is given.
  int CopyPackedFiles(const std::string& folder, std::vector<std::string>* notSaved = nullptr);

 private:
  std::string passPhrase_;
  UpdateList files_;
};

}  // namespace tidewell
