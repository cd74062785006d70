#include "tidewell/platform/registry_file.h"

#include <unistd.h>

#include <iostream>
#include <optional>

#include "tidewell/platform/text_encoding.h"

namespace tidewell {
namespace {

// A hive file larger than this is refused rather than read into memory.
constexpr size_t kMaxRegFileBytes = 64u << 20;

struct RootName {
  std::string_view shortName;
  std::string_view longName;
};
constexpr RootName kRoots[] = {
    {"HKLM", "HKEY_LOCAL_MACHINE"}, {"HKCU", "HKEY_CURRENT_USER"},   {"HKCR", "HKEY_CLASSES_ROOT"},
    {"HKU", "HKEY_USERS"},          {"HKCC", "HKEY_CURRENT_CONFIG"},
};

// Parses a quoted string at text[pos] ('"' expected), honouring \\ and \" escapes.
// On success pos is just past the closing quote.
std::optional<std::string> ParseQuoted(std::string_view text, size_t& pos) {
  if (pos >= text.size() || text[pos] != '"') return std::nullopt;
  std::string out;
  for (size_t i = pos + 1; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
      out += text[++i];
    } else if (c == '"') {
      pos = i + 1;
      return out;
    } else {
      out += c;
    }
  }
  return std::nullopt;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = AsciiLower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// "41,00,42,00" (blanks allowed around commas) into bytes.
std::optional<std::string> ParseHexBytes(std::string_view list) {
  std::string bytes;
  list = TrimSpace(list);
  if (list.empty()) return bytes;
  size_t pos = 0;
  while (true) {
    while (pos < list.size() && (list[pos] == ' ' || list[pos] == '\t')) ++pos;
    if (pos + 2 > list.size()) return std::nullopt;
    int hi = HexDigit(list[pos]), lo = HexDigit(list[pos + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    bytes += static_cast<char>(hi * 16 + lo);
    pos += 2;
    while (pos < list.size() && (list[pos] == ' ' || list[pos] == '\t')) ++pos;
    if (pos == list.size()) return bytes;
    if (list[pos] != ',') return std::nullopt;
    ++pos;
  }
}

std::optional<uint32_t> ParseDword(std::string_view digits) {
  digits = TrimSpace(digits);
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  uint32_t v = 0;
  for (char c : digits) {
    int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    v = v * 16 + static_cast<uint32_t>(d);
  }
  return v;
}

bool IsHeader(std::string_view line) {
  line = TrimSpace(line);
  return EqualsNoCase(line, "Windows Registry Editor Version 5.00") ||
         EqualsNoCase(line, "REGEDIT4");
}

enum class ValueOutcome { Kept, PassedOver, Malformed };

// Parses the part after '=' of a value line into value; continuation lines of hex data
// have already been joined.
ValueOutcome ParseValueData(std::string_view data, RegValue& value) {
  data = TrimSpace(data);
  if (!data.empty() && data[0] == '"') {
    size_t pos = 0;
    auto text = ParseQuoted(data, pos);
    if (!text || !TrimSpace(data.substr(pos)).empty()) return ValueOutcome::Malformed;
    value.kind = RegValue::Kind::String;
    value.text = std::move(*text);
    return ValueOutcome::Kept;
  }
  if (data == "-") return ValueOutcome::PassedOver;  // a deletion, not a value
  if (StartsWithNoCase(data, "dword:")) {
    auto v = ParseDword(data.substr(6));
    if (!v) return ValueOutcome::Malformed;
    value.kind = RegValue::Kind::Dword;
    value.dword = *v;
    return ValueOutcome::Kept;
  }
  if (StartsWithNoCase(data, "hex(2):")) {
    auto bytes = ParseHexBytes(data.substr(7));
    if (!bytes) return ValueOutcome::Malformed;
    value.kind = RegValue::Kind::ExpandString;
    value.text.clear();
    AppendUtf16LeAsUtf8(*bytes, true, value.text);
    return ValueOutcome::Kept;
  }
  if (StartsWithNoCase(data, "hex")) {
    // hex:, hex(7):, hex(b): ... are other kinds; only check their shape.
    size_t colon = data.find(':');
    if (colon == std::string_view::npos) return ValueOutcome::Malformed;
    return ValueOutcome::PassedOver;
  }
  return ValueOutcome::Malformed;
}

class Splitter {
 public:
  explicit Splitter(std::string_view text) : text_(text) {}
  bool Next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    size_t nl = text_.find('\n', pos_);
    if (nl == std::string_view::npos) nl = text_.size();
    line = text_.substr(pos_, nl - pos_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos_ = nl + 1;
    ++number_;
    return true;
  }
  int Number() const { return number_; }

 private:
  std::string_view text_;
  size_t pos_ = 0;
  int number_ = 0;
};

}  // namespace

std::string NormalizeRegKeyPath(std::string_view path) {
  std::string out;
  out.reserve(path.size() + 16);
  bool lastWasSep = true;  // drops leading separators too
  for (char c : path) {
    if (c == '\\') {
      if (!lastWasSep) out += c;
      lastWasSep = true;
    } else {
      out += c;
      lastWasSep = false;
    }
  }
  while (!out.empty() && out.back() == '\\') out.pop_back();
  size_t firstSep = out.find('\\');
  std::string_view root = std::string_view(out).substr(0, firstSep);
  for (const RootName& r : kRoots) {
    if (EqualsNoCase(root, r.shortName)) {
      out.replace(0, root.size(), r.longName);
      break;
    }
  }
  return out;
}

RegistryFile RegistryFile::Parse(std::string_view bytes, const std::string& sourceName) {
  RegistryFile reg;
  const std::string text = DecodeTextFile(bytes);
  Splitter lines(text);
  auto warn = [&](int lineNo, std::string_view what) {
    ++reg.warnings_;
    std::cerr << "tidewell: " << sourceName << ":" << lineNo << ": " << what << "\n";
  };

  std::string_view line;
  bool headerSeen = false;
  while (!headerSeen && lines.Next(line)) {
    if (TrimSpace(line).empty()) continue;
    if (!IsHeader(line)) {
      warn(lines.Number(), "not a registry file (no registry editor header); nothing read");
      return reg;
    }
    headerSeen = true;
  }
  if (!headerSeen) return reg;

  // Index of the key that values go to; none before the first key, after a deleted key
  // and after a malformed key line.
  constexpr size_t kNoKey = static_cast<size_t>(-1);
  size_t current = kNoKey;
  bool anyKeySeen = false;
  while (lines.Next(line)) {
    const int lineNo = lines.Number();
    std::string_view t = TrimSpace(line);
    if (t.empty() || t[0] == ';') continue;

    if (t[0] == '[') {
      anyKeySeen = true;
      current = kNoKey;
      if (t.back() != ']' || t.size() < 3) {
        warn(lineNo, "malformed key line skipped");
        continue;
      }
      std::string_view name = t.substr(1, t.size() - 2);
      if (name[0] == '-') continue;  // key deletion: nothing to read
      std::string path = NormalizeRegKeyPath(name);
      if (path.empty()) {
        warn(lineNo, "malformed key line skipped");
        continue;
      }
      auto [it, inserted] = reg.index_.try_emplace(path, reg.keys_.size());
      if (inserted) reg.keys_.push_back(RegKey{path, {}, {}});
      current = it->second;
      continue;
    }

    if (t[0] == '"' || t[0] == '@') {
      RegValue value;
      size_t pos = 0;
      if (t[0] == '@') {
        pos = 1;
      } else {
        auto name = ParseQuoted(t, pos);
        if (!name) {
          warn(lineNo, "malformed value line skipped");
          continue;
        }
        value.name = std::move(*name);
      }
      while (pos < t.size() && (t[pos] == ' ' || t[pos] == '\t')) ++pos;
      if (pos >= t.size() || t[pos] != '=') {
        warn(lineNo, "malformed value line skipped");
        continue;
      }
      // Hex data may go on over following lines, each but the last ending with a backslash.
      std::string data(TrimSpace(t.substr(pos + 1)));
      if (StartsWithNoCase(data, "hex")) {
        std::string_view more;
        while (!data.empty() && data.back() == '\\' && lines.Next(more)) {
          data.pop_back();
          data += TrimSpace(more);
        }
      }
      ValueOutcome outcome = ParseValueData(data, value);
      if (outcome == ValueOutcome::Malformed) {
        warn(lineNo, "malformed value line skipped");
        continue;
      }
      if (current == kNoKey) {
        if (!anyKeySeen) warn(lineNo, "value outside any key skipped");
        continue;
      }
      if (outcome == ValueOutcome::PassedOver) continue;
      RegKey& key = reg.keys_[current];
      auto [slot, isNew] = key.valueIndex.try_emplace(value.name, key.values.size());
      if (isNew)
        key.values.push_back(std::move(value));
      else
        key.values[slot->second] = std::move(value);  // a later line wins, as on import
      continue;
    }

    warn(lineNo, "malformed line skipped");
  }
  return reg;
}

RegistryFile RegistryFile::Load(const std::string& path) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes, kMaxRegFileBytes)) {
    if (::access(path.c_str(), F_OK) == 0) {
      RegistryFile reg;
      reg.warnings_ = 1;
      std::cerr << "tidewell: " << path
                << ": registry file unreadable or too large; read as empty\n";
      return reg;
    }
    return RegistryFile();
  }
  return Parse(bytes, path);
}

const RegKey* RegistryFile::FindKey(std::string_view fullPath) const {
  auto it = index_.find(NormalizeRegKeyPath(fullPath));
  return it == index_.end() ? nullptr : &keys_[it->second];
}

bool RegistryFile::KeyExists(std::string_view fullPath) const {
  const std::string path = NormalizeRegKeyPath(fullPath);
  if (path.empty()) return false;
  if (index_.count(path)) return true;
  for (const RegKey& key : keys_) {
    if (key.path.size() > path.size() && key.path[path.size()] == '\\' &&
        StartsWithNoCase(key.path, path))
      return true;
  }
  return false;
}

const RegValue* RegistryFile::FindValue(std::string_view fullPath,
                                        std::string_view valueName) const {
  const RegKey* key = FindKey(fullPath);
  if (!key) return nullptr;
  auto it = key->valueIndex.find(valueName);
  return it == key->valueIndex.end() ? nullptr : &key->values[it->second];
}

}  // namespace tidewell
