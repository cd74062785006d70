#pragma once
// SHA-256 of a file's bytes, fed block by block as they are written, and its
// 64-digit lowercase hex form as update lists carry it.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tidewell {

class FileHash {
 public:
  FileHash();
  ~FileHash();
  FileHash(FileHash&&) noexcept;
  FileHash& operator=(FileHash&&) noexcept;

  void Update(const void* data, size_t size);
  // The digest in lowercase hex; the hash starts afresh afterwards.
  std::string FinishHex();

 private:
  struct Context;
  std::unique_ptr<Context> context_;
};

// The hex SHA-256 of bytes.
std::string Sha256Hex(std::string_view bytes);
// The hex SHA-256 of a file's contents; empty when it cannot be read.
std::optional<std::string> Sha256HexOfFile(const std::string& path);
// Whether text is a hash as lists carry it: exactly 64 lowercase hex digits.
bool IsSha256Hex(std::string_view text);

}  // namespace tidewell
