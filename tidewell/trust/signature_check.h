#pragma once
// Ed25519 signatures of packed update lists: the raw 64-byte signature of the file's
// exact bytes, keys in the PEM forms of the openssl command.
#include <optional>
#include <string>
#include <string_view>

namespace tidewell {

inline constexpr size_t kSignatureSize = 64;

// Checks a signature of data against a PEM public key (the key file's text). Empty
// when it holds; otherwise the reason, worded for one line of an error report.
std::optional<std::string> CheckSignature(std::string_view data, std::string_view signature,
                                          std::string_view publicKeyPem);

// Makes a key pair: the secret key (mode 0600) and its public key, never overwriting
// an existing file. False with the reason in error.
bool MakeSigningKeys(const std::string& secretPath, const std::string& publicPath,
                     std::string& error);

// Signs the bytes of dataPath with the secret key in secretPath and writes the raw
// signature to signaturePath (replacing it). False with the reason in error.
bool SignFile(const std::string& secretPath, const std::string& dataPath,
              const std::string& signaturePath, std::string& error);

// A whole (small) file, or empty when it cannot be read or exceeds limit bytes.
std::optional<std::string> ReadSmallFile(const std::string& path, size_t limit);

}  // namespace tidewell
