#include "tidewell/transfer/wynet_exception.h"

#include <array>

namespace tidewell {
namespace {

constexpr std::array<const char*, 22> kMessages = {
    "",
    "Wynet: Protocol Error",
    "Wynet: General Error",
    "",  // cancelled by the user: never shown
    "Wynet: Null Path",
    "Wynet: Null URL",
    "Wynet: File Error",
    "Wynet: No Update needed",
    "Wynet: Incomplete Parameters",
    "Wynet: List Mismatch",
    "Wynet: Error changing FTP Dir",
    "Wynet: Error creating FTP Dir",
    "Wynet: Error creating FTP File",
    "Wynet: FTP File/Dir conflict",
    "Wynet: Error removing FTP file",
    "Wynet: Error determining FTP dir",
    "Wynet: FTP File Not Found",
    "Wynet: Error retrieving FTP file",
    "Wynet: Error compressing file",
    "Wynet: Error uncompressing file",
    "Wynet: Error encrypting file",
    "Wynet: Error decrypting file",
};

const char* MessageOf(int code) {
  if (code < 0 || code >= static_cast<int>(kMessages.size())) return "";
  return kMessages[static_cast<size_t>(code)];
}

}  // namespace

const char* WynetException::what() const noexcept { return MessageOf(code_); }

std::string WynetMessage(int code) { return MessageOf(code); }

}  // namespace tidewell
