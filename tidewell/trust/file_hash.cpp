#include "tidewell/trust/file_hash.h"

#include <openssl/evp.h>

#include <fstream>
#include <new>
#include <vector>

namespace tidewell {

struct FileHash::Context {
  struct Free {
    void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
  };
  std::unique_ptr<EVP_MD_CTX, Free> md{EVP_MD_CTX_new()};
  void Start() {
    if (!md || EVP_DigestInit_ex(md.get(), EVP_sha256(), nullptr) != 1) throw std::bad_alloc();
  }
};

FileHash::FileHash() : context_(std::make_unique<Context>()) { context_->Start(); }
FileHash::~FileHash() = default;
FileHash::FileHash(FileHash&&) noexcept = default;
FileHash& FileHash::operator=(FileHash&&) noexcept = default;

void FileHash::Update(const void* data, size_t size) {
  if (size > 0) EVP_DigestUpdate(context_->md.get(), data, size);
}

std::string FileHash::FinishHex() {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_DigestFinal_ex(context_->md.get(), digest, &length);
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(length * 2);
  for (unsigned int i = 0; i < length; ++i) {
    hex.push_back(kDigits[digest[i] >> 4]);
    hex.push_back(kDigits[digest[i] & 15]);
  }
  context_->Start();
  return hex;
}

std::string Sha256Hex(std::string_view bytes) {
  FileHash hash;
  hash.Update(bytes.data(), bytes.size());
  return hash.FinishHex();
}

std::optional<std::string> Sha256HexOfFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  FileHash hash;
  std::vector<char> block(64 * 1024);
  while (in) {
    in.read(block.data(), static_cast<std::streamsize>(block.size()));
    hash.Update(block.data(), static_cast<size_t>(in.gcount()));
  }
  if (in.bad()) return std::nullopt;
  return hash.FinishHex();
}

bool IsSha256Hex(std::string_view text) {
  if (text.size() != 64) return false;
  for (char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

}  // namespace tidewell
