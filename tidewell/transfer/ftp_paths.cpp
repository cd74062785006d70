#include "tidewell/transfer/ftp_paths.h"

#include <algorithm>
#include <cctype>

namespace tidewell {

std::string NormalizeInitialDir(std::string dir) {
  if (dir.empty()) return "/";
  std::replace(dir.begin(), dir.end(), '\\', '/');
  if (dir.front() != '/') dir.insert(dir.begin(), '/');
  if (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

std::string AbsoluteServerPath(const std::string& initialDir, const std::string& remotePath) {
  if (!initialDir.empty() && initialDir.back() == '/') return initialDir + remotePath;
  return initialDir + "/" + remotePath;
}

std::vector<std::string> LevelPaths(const std::string& initialDir, const std::string& remotePath) {
  std::vector<std::string> levels;
  for (size_t p = remotePath.find('/'); p != std::string::npos; p = remotePath.find('/', p + 1))
    levels.push_back(AbsoluteServerPath(initialDir, remotePath.substr(0, p)));
  return levels;
}

std::string ServerFileName(const std::string& remotePath) {
  const size_t slash = remotePath.rfind('/');
  return slash == std::string::npos ? remotePath : remotePath.substr(slash + 1);
}

std::string TargetDirectory(const std::string& initialDir, const std::string& remotePath) {
  const size_t slash = remotePath.rfind('/');
  if (slash == std::string::npos) return initialDir;
  return AbsoluteServerPath(initialDir, remotePath.substr(0, slash));
}

std::string QuotedDirectoryPair(const std::string& from, const std::string& to) {
  return "\"" + from + "\" to \"" + to + "\"";
}

bool IsHostBypassed(const std::string& host, const std::string& bypass) {
  size_t start = 0;
  while (start < bypass.size()) {
    size_t end = bypass.find_first_of("* ;\n", start);
    if (end == std::string::npos) end = bypass.size();
    if (end > start && host.find(bypass.substr(start, end - start)) != std::string::npos)
      return true;
    start = end + 1;
  }
  return false;
}

namespace {

std::string StripScheme(std::string address) {
  const size_t scheme = address.find("://");
  if (scheme != std::string::npos) address.erase(0, scheme + 3);
  while (!address.empty() && address.back() == '/') address.pop_back();
  return address;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

std::string FtpProxyFromList(const std::string& proxyList) {
  std::string forAll;
  size_t start = 0;
  while (start < proxyList.size()) {
    size_t end = proxyList.find_first_of("; \t\r\n", start);
    if (end == std::string::npos) end = proxyList.size();
    const std::string entry = proxyList.substr(start, end - start);
    start = end + 1;
    if (entry.empty()) continue;
    const size_t equals = entry.find('=');
    if (equals == std::string::npos) {
      if (forAll.empty()) forAll = StripScheme(entry);
    } else if (Lower(entry.substr(0, equals)) == "ftp") {
      return StripScheme(entry.substr(equals + 1));
    }
  }
  return forAll;
}

bool SplitHostPort(const std::string& site, std::string& host, int& port) {
  host = site;
  port = 21;
  const size_t colon = site.rfind(':');
  // A bare IPv6 address has several colons and no port.
  if (colon != std::string::npos && site.find(':') == colon) {
    const std::string digits = site.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
      return false;
    port = std::stoi(digits);
    host = site.substr(0, colon);
    if (port < 1 || port > 65535) return false;
  }
  return !host.empty();
}

}  // namespace tidewell
