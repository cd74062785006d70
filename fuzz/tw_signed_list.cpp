// The checks a signed list goes through: a signature and a public key from anywhere over
// list bytes from anywhere, then the listed hashes. Input: one byte giving the signature's
// length, one the key's (in 8-byte steps), the signature, the key text, then the list.
// A valid pair made at start-up must always verify, and never once a byte changed.
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tidewell/trust/file_hash.h"
#include "tidewell/trust/signature_check.h"

namespace {

EVP_PKEY* g_key = nullptr;
std::string g_publicPem;

std::string Sign(std::string_view data) {
  unsigned char signature[64];
  size_t length = sizeof signature;
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  if (ctx == nullptr || EVP_DigestSignInit(ctx, nullptr, nullptr, nullptr, g_key) != 1 ||
      EVP_DigestSign(ctx, signature, &length, reinterpret_cast<const unsigned char*>(data.data()),
                     data.size()) != 1)
    std::abort();
  EVP_MD_CTX_free(ctx);
  return std::string(reinterpret_cast<char*>(signature), length);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr);
  if (ctx == nullptr || EVP_PKEY_keygen_init(ctx) != 1 || EVP_PKEY_keygen(ctx, &g_key) != 1)
    std::abort();
  EVP_PKEY_CTX_free(ctx);
  BIO* bio = BIO_new(BIO_s_mem());
  if (bio == nullptr || PEM_write_bio_PUBKEY(bio, g_key) != 1) std::abort();
  char* text = nullptr;
  const long size = BIO_get_mem_data(bio, &text);
  g_publicPem.assign(text, static_cast<size_t>(size));
  BIO_free(bio);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  size_t at = 2;
  const size_t sigLength = std::min<size_t>(data[0], size - at);
  const std::string_view signature = input.substr(at, sigLength);
  at += sigLength;
  const size_t keyLength = std::min<size_t>(data[1] * size_t{8}, size - at);
  const std::string_view key = input.substr(at, keyLength);
  at += keyLength;
  const std::string_view list = input.substr(at);

  (void)tidewell::CheckSignature(list, signature, key);

  const std::string good = Sign(list);
  if (tidewell::CheckSignature(list, good, g_publicPem).has_value()) std::abort();
  if (!list.empty()) {
    std::string changed(list);
    changed[changed.size() / 2] ^= 1;
    if (!tidewell::CheckSignature(changed, good, g_publicPem).has_value()) std::abort();
  }

  const std::string hash = tidewell::Sha256Hex(list);
  if (!tidewell::IsSha256Hex(hash)) std::abort();
  (void)tidewell::IsSha256Hex(list.substr(0, 64));
  return 0;
}
