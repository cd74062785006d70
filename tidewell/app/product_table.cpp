#include "tidewell/app/product_table.h"

#include <cstdio>
#include <filesystem>

#include "tidewell/app/string_table.h"
#include "tidewell/platform/folders.h"
#include "tidewell/platform/registry.h"

namespace tidewell {
namespace {

bool TableItem(int stringId, int position, std::string& item) {
  auto found = ListItem(LoadString(stringId), position);
  item = found.value_or(std::string());
  return found.has_value();
}

// Anything at all at the path, a dangling link included: such a name is taken.
bool PathTaken(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

}  // namespace

bool GetProductName(int position, std::string& name) {
  return TableItem(kStrProductNames, position, name);
}

bool GetListFileName(int position, std::string& fileName) {
  return TableItem(kStrListFileNames, position, fileName);
}

bool GetListUrl(int position, std::string& url) {
  url.clear();
  if (position <= 0) return false;
  std::string fileName;
  GetListFileName(position, fileName);  // beyond the table: the base address alone
  url = LoadString(kStrUpdateServer) + fileName;
  return true;
}

bool LookupInstallFolder(const std::string& productName, std::string& folder) {
  folder.clear();
  // Only the maker's key's existence counts; the folder comes from the uninstall entry.
  if (!RegKeyExists(Hive::LocalMachine, LoadString(kStrMakerKey) + productName)) return false;
  auto location = RegReadString(Hive::LocalMachine, LoadString(kStrUninstallKey) + productName,
                                LoadString(kStrInstallLocationValue));
  if (!location) return false;

  std::string text = *location;
  if (!text.empty() && text.front() == '"') text.erase(0, 1);
  if (!text.empty() && text.back() == '"') text.pop_back();
  // An empty location would turn into the root folder: treat it as not installed.
  if (text.empty()) return false;
  if (text.back() != '/') text += '/';
  folder = text;
  return true;
}

std::string MakeStagingFolderAt(const LocalTime& time, const std::string& tempFolder) {
  char name[32];
  std::snprintf(name, sizeof name, "td%02d%02d%02d", time.hour, time.minute, time.second);
  std::string base = tempFolder;
  if (base.empty() || base.back() != '/') base += '/';
  base += name;

  std::string candidate = base;
  for (int n = 1; PathTaken(candidate); ++n) candidate = base + "-" + std::to_string(n);
  return candidate + "/";
}

std::string MakeStagingFolder() { return MakeStagingFolderAt(CurrentLocalTime(), TempFolder()); }

std::string MakeLocalListPath(const std::string& stagingFolder, const std::string& listUrl) {
  const size_t slash = listUrl.rfind('/');
  return stagingFolder + (slash == std::string::npos ? listUrl : listUrl.substr(slash + 1));
}

}  // namespace tidewell
