#include "tidewell/packing/packing_key.h"

#include <nettle/md5.h>

#include <cstring>

namespace tidewell {

std::array<uint8_t, 16> DerivePackingKey(const std::string& passPhrase) {
  md5_ctx ctx;
  md5_init(&ctx);
  // Hashed up to its first zero character, like a C string.
  md5_update(&ctx, std::strlen(passPhrase.c_str()),
             reinterpret_cast<const uint8_t*>(passPhrase.c_str()));
  std::array<uint8_t, MD5_DIGEST_SIZE> digest{};
  md5_digest(&ctx, digest.size(), digest.data());

  std::array<uint8_t, 16> key{};
  std::memcpy(key.data(), digest.data(), 5);
  return key;
}

}  // namespace tidewell
