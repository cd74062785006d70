#pragma once

#include <string>

namespace tidewell {

// Packs a file for an update set: compress (zlib level 6) and/or encrypt (RC4 keyed by
// the pass phrase), each step writing a fresh "ucf" file in the temporary folder. On
// success resultPath names the last file written (empty when neither step was asked
// for) and the caller owns it. On failure every temporary file is gone and resultPath
// is empty.
bool PackFile(const std::string& source, bool compress, bool encrypt, const std::string& passPhrase,
              std::string& resultPath);

// The reverse of PackFile: decrypt, then uncompress, with the same guarantees.
bool UnpackFile(const std::string& source, bool decrypt, bool uncompress,
                const std::string& passPhrase, std::string& resultPath);

}  // namespace tidewell
