#pragma once

#include <optional>
#include <string>

namespace tidewell {

// Identifiers of the program's string table.
enum StringId : int {
  kStrSwitches = 1,              // command-line switches, "|"-separated
  kStrUpdateServer = 2,          // base address of list and update-set files
  kStrMakerKey = 3,              // registry key prefix of a product
  kStrProductNames = 4,          // product names by switch position
  kStrUninstallKey = 5,          // registry key prefix of a product's uninstall entry
  kStrInstallLocationValue = 6,  // value holding the install folder
  kStrListFileNames = 7,         // update list file names by switch position
  kStrProxyKey = 8,              // per-user Internet settings key
  kStrProxyServerValue = 9,
  kStrProxyOverrideValue = 10,
  kStrProxyEnableValue = 11,
  kStrPassPhrase = 15,  // pass phrase of packed files
};

// The string with that identifier; "" for identifiers the table does not hold.
// String 2 is the update server address (TIDEWELL_UPDATE_SERVER when set).
std::string LoadString(int id);

// Item `position` (0-based) of a "|"-separated list; none when the list is shorter or
// the position is negative. The last item runs to the end of the string.
std::optional<std::string> ListItem(const std::string& list, int position);

// Number of items of a "|"-separated list: one more than its bars.
int ListItemCount(const std::string& list);

}  // namespace tidewell
