// Directory listings from FTP servers, and the proxy and path texts an FTP job splits.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tidewell/transfer/ftp_listing.h"
#include "tidewell/transfer/ftp_paths.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const auto entries = tidewell::ParseFtpListing(text);
  for (const auto& entry : entries) {
    if (entry.name.empty() || entry.name.size() > size ||
        entry.name.find('\n') != std::string::npos)
      std::abort();
  }
  if (!entries.empty()) {
    const auto found = tidewell::FindInFtpListing(text, entries.front().name);
    if (!found || found->name != entries.front().name) std::abort();
  }

  const std::string input(text);
  const std::string proxy = tidewell::FtpProxyFromList(input);
  if (proxy.size() > size) std::abort();
  const size_t half = size / 2;
  (void)tidewell::IsHostBypassed(input.substr(0, half), input.substr(half));
  const std::string dir = tidewell::NormalizeInitialDir(input.substr(0, half));
  if (dir.empty() || dir.front() != '/') std::abort();
  for (const std::string& level : tidewell::LevelPaths(dir, input.substr(half)))
    if (level.compare(0, dir.size(), dir) != 0) std::abort();
  std::string host;
  int port = 0;
  if (tidewell::SplitHostPort(input, host, port) && (port < 1 || port > 65535 || host.empty()))
    std::abort();
  return 0;
}
