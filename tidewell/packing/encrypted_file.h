#pragma once

#include <string>

namespace tidewell {

// RC4 over the whole file, keyed by the pass phrase: the cipher file has no header
// and the same length as the plain one. Both give 1 on success and 0 on failure,
// print their progress and errors on standard output, and may leave partial output
// behind on failure (the caller deletes it).
int EncryptFile(const std::string& plainPath, const std::string& cipherPath,
                const std::string& passPhrase);
int DecryptFile(const std::string& cipherPath, const std::string& plainPath,
                const std::string& passPhrase);

}  // namespace tidewell
