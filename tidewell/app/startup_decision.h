#pragma once

#include <string>
#include <vector>

namespace tidewell {

// What the program opens when it starts.
enum class StartupFace {
  ProductList,     // no switch: pick an installed product
  Generator,       // /GEN
  CustomUpdate,    // /UNDEF: the custom update window, then a run
  ProductRun,      // a product switch: a run for that product
  ResumeEnd,       // /RESUME beside a product switch: end at once, silently
  UnknownProduct,  // a switch position without a product name: end silently
  NotInstalled,    // the product has no install folder: say so, then end
};

struct StartupDecision {
  StartupFace face = StartupFace::ProductList;
  int position = -1;          // the chosen switch's position in the table (-1: none)
  std::string productName;    // ProductRun and NotInstalled
  std::string installFolder;  // ProductRun
};

// The line start-up scans: the program's file name without its folder, then each
// argument, joined by single spaces.
std::string StartupCommandLine(const std::vector<std::string>& argv);

// The face chosen by the switches on a command line alone (matched anywhere, case-blind,
// the one written first wins; /RESUME is never chosen). Product switches give
// ProductRun or UnknownProduct here; the registry is not consulted.
StartupDecision ChooseStartupFace(const std::string& commandLine);

// ChooseStartupFace, then for a product run the install folder from the registry
// (NotInstalled when there is none).
StartupDecision DecideStartup(const std::string& commandLine);

// Message box texts of start-up.
std::string NotInstalledMessage(const std::string& productName);
std::string ShutDownMessage(const std::string& productName);

}  // namespace tidewell
