#pragma once
// Reading an FTP server's directory listing (the answer to LIST): Unix "ls -l" lines
// and the DOS form some servers send. Lines of any other shape are passed over.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tidewell {

struct FtpListEntry {
  std::string name;
  uint64_t size = 0;
  bool directory = false;
};

// Lines longer than this are passed over: no real entry needs more.
inline constexpr size_t kMaxListingLine = 8192;

// One listing line; none when it is not a file or directory entry.
std::optional<FtpListEntry> ParseFtpListLine(std::string_view line);

// Every entry of a listing, in the server's order.
std::vector<FtpListEntry> ParseFtpListing(std::string_view listing);

// The entry with exactly this name, if the listing holds one.
std::optional<FtpListEntry> FindInFtpListing(std::string_view listing, std::string_view name);

}  // namespace tidewell
