#pragma once
// The update server's base address: TIDEWELL_UPDATE_SERVER when set, else the built-in
// address. Always ends with '/'.
#include <string>

namespace tidewell {

inline constexpr const char* kBuiltInUpdateServer = "http://updates.corvane.example/liveupdates/";

std::string UpdateServerAddress();

}  // namespace tidewell
