#include "tidewell/app/string_table.h"

#include <algorithm>

#include "tidewell/platform/update_server.h"

namespace tidewell {

std::string LoadString(int id) {
  switch (id) {
    case kStrSwitches:
      return "/GEN|/BASIC5|/STUDIO5|/LEAFLINE|/SKETCHWELL|/SOLIDANE|/UNDEF|/RESUME";
    case kStrUpdateServer:
      return UpdateServerAddress();
    case kStrMakerKey:
      return "SOFTWARE\\Corvane\\";
    case kStrProductNames:
      return "NULL|Draftmark Basic 5|Draftmark Studio 5|Leafline|Sketchwell|Solidane";
    case kStrUninstallKey:
      return "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    case kStrInstallLocationValue:
      return "InstallLocation";
    case kStrListFileNames:
      return "NULL|basic5.tdu|studio5.tdu|leafline.tdu|sketchwell.tdu|solidane.tdu";
    case kStrProxyKey:
      return "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    case kStrProxyServerValue:
      return "ProxyServer";
    case kStrProxyOverrideValue:
      return "ProxyOverride";
    case kStrProxyEnableValue:
      return "ProxyEnable";
    case kStrPassPhrase:
      return "Wq7Rz-Bm'Tk42hv(Pe9LdNxJ";
    default:
      return "";
  }
}

std::optional<std::string> ListItem(const std::string& list, int position) {
  if (position < 0) return std::nullopt;
  size_t start = 0;
  for (int i = 0; i < position; ++i) {
    const size_t bar = list.find('|', start);
    if (bar == std::string::npos) return std::nullopt;
    start = bar + 1;
  }
  const size_t end = list.find('|', start);
  return list.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

int ListItemCount(const std::string& list) {
  return static_cast<int>(std::count(list.begin(), list.end(), '|')) + 1;
}

}  // namespace tidewell
