// The generator's file list and its comparison flags.
#include "tidewell/updateset/generator_model.h"

#include <algorithm>

#include "tidewell/platform/file_status.h"
#include "tidewell/platform/update_server.h"

namespace tidewell {
namespace {

bool& FlagOf(UpdateEntry& entry, CheckFlag flag) {
  switch (flag) {
    case CheckFlag::Create:
      return entry.checkCreate;
    case CheckFlag::Modify:
      return entry.checkModify;
    case CheckFlag::Size:
      break;
  }
  return entry.checkSize;
}

bool FlagOf(const UpdateEntry& entry, CheckFlag flag) {
  return FlagOf(const_cast<UpdateEntry&>(entry), flag);
}

}  // namespace

GeneratorModel::GeneratorModel(std::string passPhrase)
    : remoteWebDirectory(UpdateServerAddress()), passPhrase_(std::move(passPhrase)) {}

void GeneratorModel::AddFiles(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    UpdateEntry entry;
    entry.installedPath = path;
    if (const auto status = GetFileStatus(path)) {
      entry.created = status->created;
      entry.modified = status->modified;
      entry.size = static_cast<int64_t>(status->size);
    }
    files_.Append(std::move(entry));
  }
}

void GeneratorModel::RemoveFiles(std::vector<size_t> positions) {
  std::sort(positions.begin(), positions.end());
  positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
  for (auto it = positions.rbegin(); it != positions.rend(); ++it)
    if (*it < files_.Count()) files_.RemoveAt(*it);
}

int GeneratorModel::CheckState(CheckFlag flag, const std::vector<size_t>& selection) const {
  size_t on = 0, seen = 0;
  for (size_t position : selection) {
    if (position >= files_.Count()) continue;
    ++seen;
    if (FlagOf(files_.At(position), flag)) ++on;
  }
  if (seen == 0) return kCheckMixed;
  if (on == 0) return kCheckOff;
  return on == seen ? kCheckOn : kCheckMixed;
}

int GeneratorModel::ClickCheck(CheckFlag flag, const std::vector<size_t>& selection) {
  // A three-state box steps off -> on -> mixed -> off; mixed is never kept, so from on
  // and from mixed a click gives off.
  const bool on = CheckState(flag, selection) == kCheckOff;
  SetCheck(flag, selection, on);
  return CheckState(flag, selection);
}

void GeneratorModel::SetCheck(CheckFlag flag, const std::vector<size_t>& selection, bool on) {
  for (size_t position : selection)
    if (position < files_.Count()) FlagOf(files_.At(position), flag) = on;
}

}  // namespace tidewell
