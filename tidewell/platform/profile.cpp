#include "tidewell/platform/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <limits>

#include "tidewell/platform/text_encoding.h"

namespace tidewell {
namespace {

// A profile larger than this is not read (the largest update list is a few megabytes).
constexpr size_t kMaxProfileBytes = 256u << 20;

std::string_view Unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

// Leading decimal number with an optional sign, clamped to [lo, hi]; 0 without digits.
int64_t LeadingNumber(std::string_view v, int64_t lo, int64_t hi) {
  size_t i = 0;
  while (i < v.size() && (v[i] == ' ' || v[i] == '\t')) ++i;
  bool negative = false;
  if (i < v.size() && (v[i] == '-' || v[i] == '+')) negative = v[i++] == '-';
  // Accumulate as a negative number so the most negative value fits.
  int64_t acc = 0;
  bool clamped = false;
  for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) {
    int d = v[i] - '0';
    if (acc < (std::numeric_limits<int64_t>::min() + d) / 10) {
      clamped = true;
      break;
    }
    acc = acc * 10 - d;
  }
  if (clamped) return negative ? lo : hi;
  if (negative) return acc < lo ? lo : acc;
  if (acc == std::numeric_limits<int64_t>::min()) return hi;
  int64_t pos = -acc;
  return pos > hi ? hi : pos;
}

bool WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

ProfileFile::Line ProfileFile::MakeLine(std::string_view text, bool mayBeKey) {
  Line line;
  line.text = text;
  if (!mayBeKey) return line;
  size_t eq = text.find('=');
  if (eq == std::string_view::npos) return line;
  std::string_view key = TrimSpace(text.substr(0, eq));
  if (key.empty() || key.front() == ';' || key.front() == '[') return line;
  line.isKey = true;
  line.key = key;
  line.value = TrimSpace(text.substr(eq + 1));
  return line;
}

void ProfileFile::AddLine(Section& section, const Line& line) {
  if (line.isKey) section.keys.try_emplace(line.key, section.lines.size());
  section.lines.push_back(line);
}

std::string_view ProfileFile::Keep(std::string text) {
  added_.push_back(std::make_unique<const std::string>(std::move(text)));
  return *added_.back();
}

namespace {

// Splits text into lines without their line ends (LF or CRLF).
class LineReader {
 public:
  explicit LineReader(std::string_view text) : rest_(text) {}
  bool Next(std::string_view& line) {
    if (rest_.empty()) return false;
    size_t nl = rest_.find('\n');
    line = rest_.substr(0, nl);
    rest_ = nl == std::string_view::npos ? std::string_view() : rest_.substr(nl + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
  }

 private:
  std::string_view rest_;
};

bool IsSectionHeader(std::string_view trimmed) {
  return !trimmed.empty() && trimmed.front() == '[';
}

// Lines of each section in file order (the lines before the first header, if any, first),
// so that each section's storage is sized once: a long list is then read without regrowth.
std::vector<size_t> LinesPerSection(std::string_view text) {
  std::vector<size_t> counts;
  LineReader lines(text);
  std::string_view line;
  while (lines.Next(line)) {
    if (IsSectionHeader(TrimSpace(line)) || counts.empty()) counts.push_back(0);
    ++counts.back();
  }
  return counts;
}

}  // namespace

ProfileFile ProfileFile::Parse(std::string_view bytes) {
  ProfileFile profile;
  profile.loaded_ = std::make_unique<const std::string>(DecodeTextFile(bytes));
  const std::vector<size_t> counts = LinesPerSection(*profile.loaded_);
  profile.sections_.reserve(counts.size());
  auto startSection = [&](Section section) {
    const size_t lines = counts[profile.sections_.size()];
    section.lines.reserve(lines);
    if (section.hasHeader) section.keys.reserve(lines);
    profile.sections_.push_back(std::move(section));
  };

  LineReader lines(*profile.loaded_);
  std::string_view raw;
  while (lines.Next(raw)) {
    std::string_view t = TrimSpace(raw);
    if (IsSectionHeader(t)) {
      size_t close = t.find(']');
      Section section;
      section.name = TrimSpace(t.substr(1, close == std::string_view::npos ? t.npos : close - 1));
      section.hasHeader = true;
      profile.sectionIndex_.try_emplace(section.name, profile.sections_.size());
      startSection(std::move(section));
      profile.sections_.back().lines.push_back(MakeLine(raw, false));
      continue;
    }
    if (profile.sections_.empty()) startSection(Section{});
    Section& current = profile.sections_.back();
    AddLine(current, MakeLine(raw, current.hasHeader && !t.empty() && t.front() != ';'));
  }
  return profile;
}

ProfileFile ProfileFile::Load(const std::string& path) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes, kMaxProfileBytes)) return ProfileFile();
  return Parse(bytes);
}

const ProfileFile::Line* ProfileFile::FindLine(std::string_view section,
                                               std::string_view key) const {
  auto s = sectionIndex_.find(section);
  if (s == sectionIndex_.end()) return nullptr;
  const Section& sec = sections_[s->second];
  auto k = sec.keys.find(key);
  return k == sec.keys.end() ? nullptr : &sec.lines[k->second];
}

std::optional<std::string_view> ProfileFile::Find(std::string_view section,
                                                  std::string_view key) const {
  const Line* line = FindLine(section, key);
  if (!line) return std::nullopt;
  return Unquote(line->value);
}

std::string ProfileFile::GetString(std::string_view section, std::string_view key,
                                   std::string_view defaultValue, size_t bufferSize) const {
  if (bufferSize == 0) return "";
  auto value = Find(section, key);
  std::string_view v = value ? *value : TrimSpace(defaultValue);
  return std::string(v.substr(0, bufferSize - 1));
}

int ProfileFile::GetInt(std::string_view section, std::string_view key, int defaultValue) const {
  auto value = Find(section, key);
  if (!value || value->empty()) return defaultValue;
  return static_cast<int>(
      LeadingNumber(*value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

int64_t ProfileFile::GetInt64(std::string_view section, std::string_view key,
                              int64_t defaultValue) const {
  auto value = Find(section, key);
  if (!value || value->empty()) return defaultValue;
  return LeadingNumber(*value, std::numeric_limits<int64_t>::min(),
                       std::numeric_limits<int64_t>::max());
}

bool ProfileFile::SetString(std::string_view section, std::string_view key,
                            std::string_view value) {
  auto hasLineBreak = [](std::string_view t) {
    return t.find_first_of("\r\n") != std::string_view::npos;
  };
  key = TrimSpace(key);
  if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value) ||
      section.find(']') != section.npos || key.empty() || key.find('=') != key.npos ||
      key.front() == '[' || key.front() == ';')
    return false;
  section = TrimSpace(section);

  auto s = sectionIndex_.find(section);
  if (s == sectionIndex_.end()) {
    Section added;
    std::string headerText;
    headerText.reserve(section.size() + 2);
    headerText.append(1, '[').append(section).append(1, ']');
    std::string_view header = Keep(std::move(headerText));
    added.name = header.substr(1, section.size());
    added.hasHeader = true;
    added.lines.push_back(MakeLine(header, false));
    s = sectionIndex_.try_emplace(added.name, sections_.size()).first;
    sections_.push_back(std::move(added));
  }
  Section& sec = sections_[s->second];
  auto k = sec.keys.find(key);
  if (k != sec.keys.end()) {
    // Keep the key as it was spelt; replace the value.
    Line& line = sec.lines[k->second];
    std::string text(line.text.substr(
        0, static_cast<size_t>(line.key.data() - line.text.data()) + line.key.size()));
    text.append("=").append(value);
    line = MakeLine(Keep(std::move(text)), true);
    // The index's key must view the new text, since the old one may be gone from use.
    const size_t at = k->second;
    sec.keys.erase(k);
    sec.keys.try_emplace(line.key, at);
    return true;
  }
  std::string text;
  text.reserve(key.size() + value.size() + 1);
  text.append(key).append("=").append(value);
  const Line line = MakeLine(Keep(std::move(text)), true);
  // After the section's last key, so trailing comments and blank lines stay below it.
  size_t at = sec.lines.size();
  while (at > 1 && !sec.lines[at - 1].isKey) --at;
  if (at == sec.lines.size()) {
    AddLine(sec, line);
    return true;
  }
  sec.lines.insert(sec.lines.begin() + static_cast<std::ptrdiff_t>(at), line);
  for (auto& entry : sec.keys)
    if (entry.second >= at) ++entry.second;
  sec.keys.try_emplace(line.key, at);
  return true;
}

std::string ProfileFile::Text() const {
  size_t total = 0;
  for (const Section& sec : sections_)
    for (const Line& l : sec.lines) total += l.text.size() + 2;
  std::string out;
  out.reserve(total);
  for (const Section& sec : sections_) {
    for (const Line& l : sec.lines) {
      out += l.text;
      out += "\r\n";
    }
  }
  // Text that happens to start like a byte-order mark would read back in another
  // encoding: a UTF-8 mark in front keeps it reading as written.
  const bool looksMarked = (out.size() >= 2 && out.compare(0, 2, "\xFF\xFE") == 0) ||
                           (out.size() >= 3 && out.compare(0, 3, "\xEF\xBB\xBF") == 0);
  if (looksMarked) out.insert(0, "\xEF\xBB\xBF");
  return out;
}

bool ProfileFile::Save(const std::string& path) const {
  static std::atomic<unsigned> counter{0};
  const std::string text = Text();
  struct stat old {};
  const bool hadFile = ::stat(path.c_str(), &old) == 0;
  if (hadFile && S_ISDIR(old.st_mode)) return false;

  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  bool ok = WriteAll(fd, text);
  if (ok && hadFile) ::fchmod(fd, old.st_mode & 07777);
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key, const std::string& defaultValue,
                              size_t bufferSize) {
  return ProfileFile::Load(path).GetString(section, key, defaultValue, bufferSize);
}

int ReadProfileInt(const std::string& path, const std::string& section, const std::string& key,
                   int defaultValue) {
  return ProfileFile::Load(path).GetInt(section, key, defaultValue);
}

bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value) {
  ProfileFile profile = ProfileFile::Load(path);
  return profile.SetString(section, key, value) && profile.Save(path);
}

}  // namespace tidewell
