// Writing the in-memory list as an update list file.
#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <optional>
#include <string>

#include "tidewell/platform/folders.h"
#include "tidewell/platform/profile.h"
#include "tidewell/trust/file_hash.h"
#include "tidewell/updateset/list_date.h"
#include "tidewell/updateset/list_paths.h"
#include "tidewell/updateset/update_list.h"

namespace tidewell {
namespace {

std::string WithoutTrailingSlashes(std::string folder) {
  while (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
  return folder;
}

// The path below folder when path lies inside it (a separator must follow the folder, so
// /opt/prog does not claim /opt/program/x); "" otherwise.
std::string NameBelow(const std::string& path, const std::string& folder) {
  if (path.size() <= folder.size() + 1 || path.compare(0, folder.size(), folder) != 0) return "";
  const char sep = path[folder.size()];
  if (sep != '/' && sep != '\\') return "";
  return path.substr(folder.size() + 1);
}

// A value the list can hold: a line break would split it into other keys.
bool FitsOnOneLine(const std::string& text) {
  return text.find_first_of("\r\n") == std::string::npos;
}

}  // namespace

int UpdateList::WriteUpdateList(const std::string& listPath, const std::string& baseUrl,
                                const std::string& programFolder, const std::string& windowsPrefix,
                                const std::string& programPrefix, const std::string& otherPrefix) {
  const std::string windowsFolder = WithoutTrailingSlashes(WindowsFolder());
  const std::string program = WithoutTrailingSlashes(programFolder);

  // A line break would turn the rest of the value into lines of its own.
  if (!FitsOnOneLine(baseUrl) || !FitsOnOneLine(windowsPrefix) || !FitsOnOneLine(programPrefix) ||
      !FitsOnOneLine(otherPrefix))
    return kListNotWritten;
  if (FileExists(listPath) && ::unlink(listPath.c_str()) != 0 && errno != ENOENT)
    return kListOldFileNotDeleted;

  ProfileFile list;
  list.SetString("General", "Windows Prefix", windowsPrefix);
  list.SetString("General", "Program Prefix", programPrefix);
  list.SetString("General", "Base URL", baseUrl);

  int programCount = 0, windowsCount = 0, otherCount = 0;
  for (UpdateEntry& entry : entries_) {
    const std::string& path = entry.installedPath;
    const char* section = nullptr;
    int* counter = nullptr;
    std::string otherLocal;
    if (std::string below = NameBelow(path, program); !below.empty()) {
      section = "Program Files";
      counter = &programCount;
      entry.name = ToBackslashes(below);
      entry.prefix = programPrefix;
    } else if (below = NameBelow(path, windowsFolder); !below.empty()) {
      section = "Windows Files";
      counter = &windowsCount;
      entry.name = ToBackslashes(below);
      entry.prefix = windowsPrefix;
    } else {
      section = "Other Files";
      counter = &otherCount;
      const size_t slash = path.find_last_of("/\\");
      entry.name = slash == std::string::npos ? path : path.substr(slash + 1);
      otherLocal = path.substr(0, path.size() - entry.name.size());
      entry.prefix = otherPrefix;
    }
    // An empty name would end its section when read and hide the entries after it.
    if (entry.name.empty() || !FitsOnOneLine(path)) {
      std::string shown = path;
      for (char& c : shown)
        if (c == '\r' || c == '\n') c = '?';
      std::cerr << "tidewell: " << listPath << ": \"" << shown
                << "\" is not a file name the list can hold; not listed\n";
      continue;
    }

    const int n = ++*counter;
    const std::string num = std::to_string(n);
    list.SetString(section, "Name" + num, entry.name);
    if (counter == &otherCount) {
      list.SetString(section, "Other Prefix" + num, otherPrefix);
      list.SetString(section, "Other Local" + num, otherLocal);
    }
    list.SetString(section, "Modified" + num, FormatListDate(entry.modified));
    list.SetString(section, "Created" + num, FormatListDate(entry.created));
    list.SetString(section, "Size" + num, std::to_string(entry.size));
    list.SetString(section, "Check Modify" + num, entry.checkModify ? "1" : "0");
    list.SetString(section, "Check Create" + num, entry.checkCreate ? "1" : "0");
    list.SetString(section, "Check Size" + num, entry.checkSize ? "1" : "0");
    // Clients check the unpacked bytes they fetch against it; a file that can't be read
    // now is listed without one (and isn't saved either).
    const std::optional<std::string> hash = Sha256HexOfFile(path);
    entry.sha256 = hash.value_or("");
    if (hash) list.SetString(section, "SHA256" + num, *hash);
  }
  return list.Save(listPath) ? kListWritten : kListNotWritten;
}

}  // namespace tidewell
