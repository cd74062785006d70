#pragma once

// Environment helpers for the application tests: a machine hive written to a scratch
// .reg file, and environment variables that are put back afterwards.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform_test_support.h"

namespace app_test {

using platform_test::ScopedEnv;

// A machine hive holding the given .reg body (after the header line).
class MachineHive {
 public:
  explicit MachineHive(const std::string& body) : path_(MakePath()), env_("TIDEWELL_HKLM", path_) {
    std::ofstream(path_) << "Windows Registry Editor Version 5.00\r\n\r\n" << body;
  }
  ~MachineHive() { std::filesystem::remove(path_); }

 private:
  static std::string MakePath() {
    static int counter = 0;
    return std::filesystem::temp_directory_path().string() + "/twpack-hive-" +
           std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".reg";
  }
  std::string path_;
  ScopedEnv env_;
};

// The .reg lines that make a product installed at the given location (as stored).
inline std::string InstalledProduct(const std::string& product, const std::string& location) {
  return "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\" + product + "]\r\n\r\n" +
         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" +
         product + "]\r\n" + "\"InstallLocation\"=\"" + location + "\"\r\n\r\n";
}

}  // namespace app_test
