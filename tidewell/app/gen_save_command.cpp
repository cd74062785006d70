#include "tidewell/app/gen_save_command.h"

#include <filesystem>

#include "tidewell/app/gen_update_set.h"
#include "tidewell/app/move_file.h"
#include "tidewell/updateset/generator_model.h"

namespace tidewell {

namespace fs = std::filesystem;

bool StageUpdateSet(const std::string& command, GeneratorModel& model, const StagingFolder& staging,
                    std::ostream& err) {
  const std::string prefix = "tidewell-gen: " + command + ": ";
  const std::string listFile = model.listFile;
  std::error_code ec;
  fs::create_directories(staging.path() + "/list", ec);
  model.listFile = staging.path() + "/list/" + fs::path(listFile).filename().string();
  model.localUpdateSetFolder = staging.path() + "/set";
  const SaveOutcome outcome = model.SaveUpdateSetLocally();
  if (outcome.listResult != kListWritten)
    err << prefix << "cannot write the update list " << listFile << "\n";
  else if (!outcome.listPacked)
    err << prefix << "cannot pack the update list " << listFile << "\n";
  else if (!outcome.signError.empty())
    err << prefix << "cannot sign the update list: " << outcome.signError << "\n";
  for (const std::string& path : outcome.notSaved)
    err << prefix << path << " was not saved into the update set\n";
  return outcome.Complete();
}

bool CommitStagedSet(const std::string& command, const GeneratorModel& model,
                     const StagingFolder& staging, const std::string& outFolder,
                     const std::string& listFile, std::ostream& out, std::ostream& err) {
  const std::string prefix = "tidewell-gen: " + command + ": ";
  if (!staging.MoveFilesInto(staging.path() + "/set", outFolder)) {
    err << prefix << "cannot move the update set into " << outFolder << "\n";
    return false;
  }
  std::error_code ec;
  for (const UpdateEntry& entry : model.Files()) {
    const uint64_t size = fs::file_size(fs::path(outFolder) / SetPathOf(entry), ec);
    out << "packed " << SetPathOf(entry) << " (" << GroupedNumber(ec ? 0 : size) << " bytes)\n";
  }
  if (!PlaceOutputFile(model.listFile, listFile) ||
      (!model.signingKey.empty() && !PlaceOutputFile(model.listFile + ".sig", listFile + ".sig"))) {
    err << prefix << "cannot write the update list " << listFile << "\n";
    return false;
  }
  out << "packed the list " << listFile << "\n";
  return true;
}

int RunSaveCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const auto options = ParseGenOptions("save", args, SetOptionNames(),
                                       {"--program-dir", "--list-file", "--out"}, err);
  if (!options) return 1;
  const std::string outFolder = AbsolutePath(options->Get("--out"));
  auto model = ModelFromOptions("save", *options, outFolder, err);
  if (!model) return 1;
  const StagingFolder staging(outFolder);
  if (!staging.ok()) {
    err << "tidewell-gen: save: cannot make a folder beside " << outFolder << "\n";
    return 1;
  }
  const std::string listFile = model->listFile;
  if (!StageUpdateSet("save", *model, staging, err) ||
      !CommitStagedSet("save", *model, staging, outFolder, listFile, out, err))
    return 1;
  out << "saved " << model->Files().Count() << " files and the list into " << outFolder << "\n";
  return 0;
}

}  // namespace tidewell
