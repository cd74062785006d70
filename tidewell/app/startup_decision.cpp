#include "tidewell/app/startup_decision.h"

#include <algorithm>
#include <cctype>

#include "tidewell/app/product_table.h"
#include "tidewell/app/string_table.h"

namespace tidewell {
namespace {

std::string TrimmedUpper(const std::string& text) {
  const auto isSpace = [](unsigned char c) { return std::isspace(c) != 0; };
  auto first = std::find_if_not(text.begin(), text.end(), isSpace);
  auto last = std::find_if_not(text.rbegin(), text.rend(), isSpace).base();
  std::string out = first < last ? std::string(first, last) : std::string();
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// Where a switch first occurs anywhere in the line; -1 when absent.
long FindSwitch(const std::string& line, const std::string& sw) {
  if (sw.empty()) return -1;
  const size_t at = line.find(sw);
  return at == std::string::npos ? -1 : static_cast<long>(at);
}

}  // namespace

std::string StartupCommandLine(const std::vector<std::string>& argv) {
  std::string line;
  for (size_t i = 0; i < argv.size(); ++i) {
    std::string part = argv[i];
    if (i == 0) {
      const size_t slash = part.rfind('/');
      if (slash != std::string::npos) part.erase(0, slash + 1);
    } else {
      line += ' ';
    }
    line += part;
  }
  return line;
}

StartupDecision ChooseStartupFace(const std::string& commandLine) {
  const std::string switches = LoadString(kStrSwitches);
  const int count = ListItemCount(switches);
  const int undef = count - 2;
  const int resume = count - 1;
  const std::string line = TrimmedUpper(commandLine);

  std::vector<long> found(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i)
    found[static_cast<size_t>(i)] = FindSwitch(line, *ListItem(switches, i));

  StartupDecision decision;
  long best = -1;
  for (int i = 0; i < resume; ++i) {  // the earlier switch wins a tie
    const long at = found[static_cast<size_t>(i)];
    if (at >= 0 && (best < 0 || at < best)) {
      best = at;
      decision.position = i;
    }
  }

  if (decision.position < 0) {
    decision.face = StartupFace::ProductList;
  } else if (decision.position == 0) {
    decision.face = StartupFace::Generator;
  } else if (found[static_cast<size_t>(resume)] > 0) {
    decision.face = StartupFace::ResumeEnd;
  } else if (found[static_cast<size_t>(undef)] > 0) {
    decision.face = StartupFace::CustomUpdate;
  } else if (GetProductName(decision.position, decision.productName)) {
    decision.face = StartupFace::ProductRun;
  } else {
    decision.face = StartupFace::UnknownProduct;
  }
  return decision;
}

StartupDecision DecideStartup(const std::string& commandLine) {
  StartupDecision decision = ChooseStartupFace(commandLine);
  if (decision.face == StartupFace::ProductRun &&
      !LookupInstallFolder(decision.productName, decision.installFolder)) {
    decision.face = StartupFace::NotInstalled;
  }
  return decision;
}

std::string NotInstalledMessage(const std::string& productName) {
  return productName + " is not installed correctly.\nPlease check your installation.";
}

std::string ShutDownMessage(const std::string& productName) {
  return "Please shut down " + productName;
}

}  // namespace tidewell
