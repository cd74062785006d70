#include "tidewell/trust/signature_check.h"

#include <fcntl.h>
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <vector>

namespace tidewell {
namespace {

struct FreeKey {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct FreeBio {
  void operator()(BIO* bio) const { BIO_free(bio); }
};
struct FreeMdCtx {
  void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
struct FreeKeyCtx {
  void operator()(EVP_PKEY_CTX* ctx) const { EVP_PKEY_CTX_free(ctx); }
};
using Key = std::unique_ptr<EVP_PKEY, FreeKey>;
using Bio = std::unique_ptr<BIO, FreeBio>;

Bio MemoryBio(std::string_view text) {
  // The buffer is only read; OpenSSL's signature takes a const pointer.
  return Bio(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())));
}

bool IsEd25519(const Key& key) { return key && EVP_PKEY_id(key.get()) == EVP_PKEY_ED25519; }

Key ReadPublicKey(std::string_view pem) {
  if (pem.size() > 64 * 1024) return nullptr;
  Bio bio = MemoryBio(pem);
  if (!bio) return nullptr;
  Key key(PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr));
  return IsEd25519(key) ? std::move(key) : nullptr;
}

Key ReadSecretKey(const std::string& path, std::string& error) {
  const std::optional<std::string> pem = ReadSmallFile(path, 64 * 1024);
  if (!pem) {
    error = "cannot read the secret key " + path;
    return nullptr;
  }
  Bio bio = MemoryBio(*pem);
  Key key(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr);
  if (!IsEd25519(key)) {
    error = path + " is not an Ed25519 secret key in PEM form";
    return nullptr;
  }
  return key;
}

// Writes text to a new file of the given mode; false when the file exists or fails.
bool WriteNewFile(const std::string& path, const std::string& text, mode_t mode,
                  std::string& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0) {
    error = errno == EEXIST ? path + " already exists; not overwritten"
                            : "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  const bool closed = ::close(fd) == 0;
  if (written && closed) return true;
  ::unlink(path.c_str());
  error = "cannot write " + path;
  return false;
}

std::string BioText(BIO* bio) {
  char* data = nullptr;
  const long size = BIO_get_mem_data(bio, &data);
  return std::string(data, static_cast<size_t>(size));
}

}  // namespace

std::optional<std::string> ReadSmallFile(const std::string& path, size_t limit) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text;
  std::vector<char> block(64 * 1024);
  while (in) {
    in.read(block.data(), static_cast<std::streamsize>(block.size()));
    text.append(block.data(), static_cast<size_t>(in.gcount()));
    if (text.size() > limit) return std::nullopt;
  }
  if (in.bad()) return std::nullopt;
  return text;
}

std::optional<std::string> CheckSignature(std::string_view data, std::string_view signature,
                                          std::string_view publicKeyPem) {
  const Key key = ReadPublicKey(publicKeyPem);
  if (!key) return "update list public key is not an Ed25519 public key in PEM form";
  if (signature.size() != kSignatureSize) return "update list signature does not match";
  std::unique_ptr<EVP_MD_CTX, FreeMdCtx> ctx(EVP_MD_CTX_new());
  const bool valid =
      ctx && EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) == 1 &&
      EVP_DigestVerify(ctx.get(), reinterpret_cast<const unsigned char*>(signature.data()),
                       signature.size(), reinterpret_cast<const unsigned char*>(data.data()),
                       data.size()) == 1;
  if (!valid) return "update list signature does not match";
  return std::nullopt;
}

bool MakeSigningKeys(const std::string& secretPath, const std::string& publicPath,
                     std::string& error) {
  std::unique_ptr<EVP_PKEY_CTX, FreeKeyCtx> ctx(EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr));
  EVP_PKEY* made = nullptr;
  if (!ctx || EVP_PKEY_keygen_init(ctx.get()) != 1 || EVP_PKEY_keygen(ctx.get(), &made) != 1) {
    error = "cannot make an Ed25519 key";
    return false;
  }
  const Key key(made);
  const Bio secret(BIO_new(BIO_s_mem()));
  const Bio pub(BIO_new(BIO_s_mem()));
  if (!secret || !pub ||
      PEM_write_bio_PrivateKey(secret.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) !=
          1 ||
      PEM_write_bio_PUBKEY(pub.get(), key.get()) != 1) {
    error = "cannot write the key in PEM form";
    return false;
  }
  // Both names are checked first, so that a refused public file leaves no new secret.
  for (const std::string* path : {&secretPath, &publicPath}) {
    if (::access(path->c_str(), F_OK) == 0) {
      error = *path + " already exists; not overwritten";
      return false;
    }
  }
  if (secretPath == publicPath) {
    error = "the secret and the public key need two files";
    return false;
  }
  if (!WriteNewFile(secretPath, BioText(secret.get()), 0600, error)) return false;
  if (!WriteNewFile(publicPath, BioText(pub.get()), 0644, error)) {
    ::unlink(secretPath.c_str());
    return false;
  }
  return true;
}

bool SignFile(const std::string& secretPath, const std::string& dataPath,
              const std::string& signaturePath, std::string& error) {
  const Key key = ReadSecretKey(secretPath, error);
  if (!key) return false;
  std::ifstream in(dataPath, std::ios::binary);
  if (!in) {
    error = "cannot read " + dataPath;
    return false;
  }
  const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  unsigned char signature[kSignatureSize];
  size_t length = sizeof signature;
  std::unique_ptr<EVP_MD_CTX, FreeMdCtx> ctx(EVP_MD_CTX_new());
  if (!ctx || EVP_DigestSignInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) != 1 ||
      EVP_DigestSign(ctx.get(), signature, &length,
                     reinterpret_cast<const unsigned char*>(data.data()), data.size()) != 1 ||
      length != kSignatureSize) {
    error = "cannot sign " + dataPath;
    return false;
  }
  std::ofstream out(signaturePath, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(signature), static_cast<std::streamsize>(length));
  out.close();
  if (!out) {
    ::unlink(signaturePath.c_str());
    error = "cannot write " + signaturePath;
    return false;
  }
  return true;
}

}  // namespace tidewell
