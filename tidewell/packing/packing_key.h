#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tidewell {

// The 16-byte RC4 key of packed files: the first 5 bytes of the MD5 digest of the
// pass phrase followed by 11 zero bytes (a 40-bit key completed with zero salt, as
// update sets made on the original platform expect).
std::array<uint8_t, 16> DerivePackingKey(const std::string& passPhrase);

}  // namespace tidewell
