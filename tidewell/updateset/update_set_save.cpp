// "Save Locally": the packed update list and the packed files of an update set.
#include <unistd.h>

#include <iostream>

#include "tidewell/packing/pack_file.h"
#include "tidewell/platform/file_copy.h"
#include "tidewell/platform/folders.h"
#include "tidewell/platform/system_error.h"
#include "tidewell/trust/signature_check.h"
#include "tidewell/updateset/folder_path.h"
#include "tidewell/updateset/generator_model.h"
#include "tidewell/updateset/list_paths.h"

namespace tidewell {
namespace {

// Removes a temporary file when it goes out of scope.
struct TempFileGuard {
  std::string path;
  ~TempFileGuard() {
    if (!path.empty()) ::unlink(path.c_str());
  }
};

}  // namespace

SaveOutcome GeneratorModel::SaveUpdateSetLocally() {
  SaveOutcome outcome;
  outcome.listResult = files_.WriteUpdateList(listFile, remoteWebDirectory, programFolder,
                                              windowsPrefix, programPrefix, otherPrefix);
  // Whatever list file now stands at its path is packed in place (an old one when the new
  // one could not be written).
  TempFileGuard packed;
  if (FileExists(listFile) && PackFile(listFile, true, true, passPhrase_, packed.path))
    outcome.listPacked = MoveFileOver(packed.path, listFile, NewFileMode::Default) == kErrorSuccess;
  if (!signingKey.empty()) {
    if (!outcome.listPacked)
      outcome.signError = "the list was not packed, so it was not signed";
    else
      SignFile(signingKey, listFile, listFile + ".sig", outcome.signError);
  }
  CopyPackedFiles(localUpdateSetFolder, &outcome.notSaved);
  return outcome;
}

int GeneratorModel::CopyPackedFiles(const std::string& folder, std::vector<std::string>* notSaved) {
  for (const UpdateEntry& entry : files_) {
    // A name or prefix that climbs out of the set would write elsewhere on the disk.
    if (entry.name.empty() || entry.prefix.empty() || !StaysBelowFolder(entry.name) ||
        !StaysBelowFolder(entry.prefix)) {
      std::cerr << "tidewell: " << entry.installedPath
                << ": no place in the update set; not saved\n";
      if (notSaved) notSaved->push_back(entry.installedPath);
      continue;
    }
    const std::string destination =
        JoinPath(JoinPath(folder, ToSlashes(entry.prefix)), ToSlashes(entry.name));
    TempFileGuard packed;
    bool saved = false;
    if (PackFile(entry.installedPath, true, true, passPhrase_, packed.path) &&
        FileExists(packed.path)) {
      EnsureFolderPath(destination.substr(0, destination.rfind('/')));
      saved = MoveFileOver(packed.path, destination, NewFileMode::Default) == kErrorSuccess;
    }
    if (!saved && notSaved) notSaved->push_back(entry.installedPath);
  }
  return 0;
}

}  // namespace tidewell
