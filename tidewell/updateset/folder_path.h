#pragma once
// Creating a folder together with every missing folder above it.
#include <string>

namespace tidewell {

inline constexpr int kFolderExisted = 1;
inline constexpr int kFolderCreated = 0;
inline constexpr int kFolderNotCreated = 1;

// Creates every missing folder of path, from the top down (a creation that fails is
// passed over until the last). Returns kFolderExisted (1) when the folder was already
// there, kFolderCreated (0) when it was made, kFolderNotCreated (1) when it couldn't be.
int EnsureFolderPath(const std::string& path);

}  // namespace tidewell
