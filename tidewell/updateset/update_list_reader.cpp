// Reading an update list file into the in-memory list.
#include <algorithm>
#include <charconv>
#include <climits>
#include <cstring>
#include <iostream>
#include <string>

#include "tidewell/platform/folders.h"
#include "tidewell/platform/profile.h"
#include "tidewell/platform/update_server.h"
#include "tidewell/transfer/url_escape.h"
#include "tidewell/updateset/list_date.h"
#include "tidewell/updateset/list_paths.h"
#include "tidewell/updateset/update_list.h"

namespace tidewell {
namespace {

// Entries a section may hold: keys run from 1 to 2999.
constexpr int kKeyLimit = 3000;
// Buffer sizes of the reads; names and folders are local paths.
constexpr size_t kPathBuffer = PATH_MAX;
constexpr size_t kOtherBuffer = PATH_MAX;
// Room for a hash and a little more, so that an overlong value never reads as a valid one.
constexpr size_t kHashBuffer = 80;
constexpr size_t kModeBuffer = 16;

bool HoldsControlCharacter(const std::string& text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

// Permission bits written in octal ("755"), masked to 0777; -1 when absent or not octal.
int ParseMode(const std::string& text) {
  unsigned value = 0;
  const char* end = text.data() + text.size();
  const auto parsed = std::from_chars(text.data(), end, value, 8);
  if (text.empty() || parsed.ec != std::errc() || parsed.ptr != end) return -1;
  return static_cast<int>(value & 0777);
}

enum class SectionKind { Windows, Program, Other };

struct SectionPlan {
  const char* title;
  SectionKind kind;
  std::string prefix;  // Windows and Program sections
  std::string folder;  // Windows and Program sections, ends with '/'
};

// "%s%d" key names built in place, since a full list asks for some 70 000 of them.
class KeyName {
 public:
  std::string_view operator()(std::string_view word, int n) {
    const size_t len = std::min(word.size(), sizeof buf_ - 12);
    std::memcpy(buf_, word.data(), len);
    auto [end, ec] = std::to_chars(buf_ + len, buf_ + sizeof buf_, n);
    (void)ec;  // an int always fits in the room left
    return std::string_view(buf_, static_cast<size_t>(end - buf_));
  }

 private:
  char buf_[48];
};

void WarnSkipped(const std::string& listPath, const char* section, int n, const std::string& name,
                 const char* reason) {
  std::cerr << "tidewell: " << listPath << ": [" << section << "] Name" << n << "=" << name << " "
            << reason << "; entry skipped\n";
}

}  // namespace

ListDefaults MachineListDefaults() { return {WindowsFolder(), UpdateServerAddress()}; }

void UpdateList::ReadUpdateList(const std::string& listPath, const std::string& programFolder,
                                const std::string& stagingFolder, const ListDefaults& defaults) {
  const ProfileFile list = ProfileFile::Load(listPath);
  if (list.SectionCount() == 0) return;

  const std::string windowsFolder = WithTrailingSeparator(defaults.windowsFolder);
  const std::string windowsPrefix = list.GetString("General", "Windows Prefix", "WIN", kPathBuffer);
  const std::string programPrefix =
      list.GetString("General", "Program Prefix", "PROG", kPathBuffer);
  // An empty base address could never be fetched from; it reads as a missing one.
  std::string baseUrl = list.GetString("General", "Base URL", "", SIZE_MAX);
  baseUrl = WithTrailingSeparator(baseUrl.empty() ? defaults.baseUrl : baseUrl);
  const std::string staging = WithTrailingSeparator(stagingFolder);

  const SectionPlan plans[] = {
      {"Windows Files", SectionKind::Windows, windowsPrefix, windowsFolder},
      {"Program Files", SectionKind::Program, programPrefix, WithTrailingSeparator(programFolder)},
      {"Other Files", SectionKind::Other, "", ""},
  };

  KeyName key;
  for (const SectionPlan& plan : plans) {
    for (int n = 1; n < kKeyLimit; ++n) {
      UpdateEntry entry;
      entry.name = list.GetString(plan.title, key("Name", n), "", kPathBuffer);
      if (entry.name.empty()) break;

      std::string prefix = plan.prefix;
      std::string folder = plan.folder;
      if (plan.kind == SectionKind::Other) {
        prefix = list.GetString(plan.title, key("Other Prefix", n), "OTHER", kOtherBuffer);
        if (prefix.empty()) break;
      }
      // The list keeps names as they are; the address escapes what a URL can't hold.
      entry.url = UrlBelow(ToSlashes(baseUrl), ToSlashes(prefix + "/" + entry.name));
      entry.stagedPath = ToSlashes(staging + prefix + "/" + entry.name);
      if (plan.kind == SectionKind::Other) {
        folder = list.GetString(plan.title, key("Other Local", n), "OTHER", kOtherBuffer);
        if (folder.empty()) break;
      }
      entry.installedPath = ToSlashes(folder + entry.name);

      auto modified = list.Find(plan.title, key("Modified", n));
      if (!modified || modified->empty()) break;
      ParseListDate(*modified, entry.modified);
      auto created = list.Find(plan.title, key("Created", n));
      if (!created || created->empty()) break;
      ParseListDate(*created, entry.created);

      entry.size = list.GetInt64(plan.title, key("Size", n), 0);
      if (entry.size <= 0) break;

      entry.checkModify = list.GetInt(plan.title, key("Check Modify", n), 0) != 0;
      entry.checkCreate = list.GetInt(plan.title, key("Check Create", n), 0) != 0;
      entry.checkSize = list.GetInt(plan.title, key("Check Size", n), 0) != 0;
      entry.sha256 = list.GetString(plan.title, key("SHA256", n), "", kHashBuffer);
      entry.mode = ParseMode(list.GetString(plan.title, key("Mode", n), "", kModeBuffer));

      // A name or prefix with ".." or a leading '/' would place the file (or its staged
      // copy) outside its folder; an "Other Local" that is not absolute would depend on
      // the folder the program was started in.
      if (HoldsControlCharacter(entry.name)) {
        WarnSkipped(listPath, plan.title, n, entry.name, "holds a control character");
        continue;
      }
      if (!StaysBelowFolder(entry.name) || !StaysBelowFolder(prefix)) {
        WarnSkipped(listPath, plan.title, n, entry.name, "reaches outside its folder");
        continue;
      }
      if (plan.kind == SectionKind::Other && ToSlashes(folder).front() != '/') {
        WarnSkipped(listPath, plan.title, n, entry.name, "has no full install folder");
        continue;
      }
      Append(std::move(entry));
    }
  }
}

}  // namespace tidewell
