#include "tidewell/transfer/ftp_listing.h"

#include <array>
#include <cctype>

namespace tidewell {
namespace {

struct Token {
  std::string_view text;
  size_t end;  // offset just past the token in its line
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The first `count` blank-separated tokens of a line (fewer when the line is short).
std::vector<Token> Tokens(std::string_view line, size_t count) {
  std::vector<Token> tokens;
  size_t pos = 0;
  while (tokens.size() < count) {
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    if (pos >= line.size()) break;
    const size_t start = pos;
    while (pos < line.size() && !IsBlank(line[pos])) ++pos;
    tokens.push_back({line.substr(start, pos - start), pos});
  }
  return tokens;
}

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

// A byte count; none when it has no digits or does not fit 64 bits.
std::optional<uint64_t> Number(std::string_view text) {
  if (!AllDigits(text) || text.size() > 19) return std::nullopt;
  uint64_t value = 0;
  for (char c : text) value = value * 10 + static_cast<uint64_t>(c - '0');
  return value;
}

bool IsMonth(std::string_view text) {
  static constexpr std::array<std::string_view, 12> kMonths = {
      "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
  if (text.size() != 3) return false;
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (std::string_view month : kMonths)
    if (lower == month) return true;
  return false;
}

// The rest of the line after a token and the one blank that separates the name.
std::string_view NameAfter(std::string_view line, size_t end) {
  if (end < line.size() && IsBlank(line[end])) ++end;
  // Servers pad with more blanks before the name; a name that starts with blanks
  // can't be told apart from padding, so padding wins.
  while (end < line.size() && IsBlank(line[end])) ++end;
  return line.substr(end);
}

// "drwxr-xr-x 2 owner group 4096 Jan 01 12:00 name" (the group may be missing).
std::optional<FtpListEntry> ParseUnixLine(std::string_view line) {
  const char kind = line.front();
  if (kind != '-' && kind != 'd' && kind != 'l') return std::nullopt;
  const std::vector<Token> tokens = Tokens(line, 9);
  // The month follows the size: positions 5 and 4, or 4 and 3 without a group.
  for (size_t month = 5; month >= 4; --month) {
    if (tokens.size() < month + 3 || !IsMonth(tokens[month].text)) continue;
    const auto size = Number(tokens[month - 1].text);
    if (!size) return std::nullopt;
    std::string_view name = NameAfter(line, tokens[month + 2].end);
    if (kind == 'l') {
      const size_t arrow = name.find(" -> ");
      if (arrow != std::string_view::npos) name = name.substr(0, arrow);
    }
    if (name.empty()) return std::nullopt;
    return FtpListEntry{std::string(name), *size, kind == 'd'};
  }
  return std::nullopt;
}

// "01-31-24  09:15AM       <DIR>          name" or "... 1234 name".
std::optional<FtpListEntry> ParseDosLine(std::string_view line) {
  const std::vector<Token> tokens = Tokens(line, 3);
  if (tokens.size() < 3 || !std::isdigit(static_cast<unsigned char>(tokens[0].text.front())) ||
      tokens[0].text.find('-') == std::string_view::npos)
    return std::nullopt;
  const std::string_view time = tokens[1].text;
  if (time.size() < 3 || time.find(':') == std::string_view::npos) return std::nullopt;
  const bool directory = tokens[2].text == "<DIR>";
  const auto size = directory ? std::optional<uint64_t>(0) : Number(tokens[2].text);
  if (!size) return std::nullopt;
  const std::string_view name = NameAfter(line, tokens[2].end);
  if (name.empty()) return std::nullopt;
  return FtpListEntry{std::string(name), *size, directory};
}

}  // namespace

std::optional<FtpListEntry> ParseFtpListLine(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
  if (line.empty() || line.size() > kMaxListingLine) return std::nullopt;
  if (auto entry = ParseUnixLine(line)) return entry;
  return ParseDosLine(line);
}

std::vector<FtpListEntry> ParseFtpListing(std::string_view listing) {
  std::vector<FtpListEntry> entries;
  size_t start = 0;
  while (start < listing.size()) {
    size_t end = listing.find('\n', start);
    if (end == std::string_view::npos) end = listing.size();
    if (auto entry = ParseFtpListLine(listing.substr(start, end - start)))
      entries.push_back(std::move(*entry));
    start = end + 1;
  }
  return entries;
}

std::optional<FtpListEntry> FindInFtpListing(std::string_view listing, std::string_view name) {
  size_t start = 0;
  while (start < listing.size()) {
    size_t end = listing.find('\n', start);
    if (end == std::string_view::npos) end = listing.size();
    auto entry = ParseFtpListLine(listing.substr(start, end - start));
    if (entry && entry->name == name) return entry;
    start = end + 1;
  }
  return std::nullopt;
}

}  // namespace tidewell
