#pragma once
// INI ("profile") files: sections of key=value lines. Section and key names compare
// case-blind; values are trimmed and one pair of enclosing quotes is dropped on reading.
// A ProfileFile parses a file once, answers any number of lookups and can be written back;
// lines it does not change (comments, other sections) are kept as they were.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "tidewell/platform/ascii_case.h"

namespace tidewell {

class ProfileFile {
 public:
  ProfileFile() = default;
  ProfileFile(ProfileFile&&) = default;
  ProfileFile& operator=(ProfileFile&&) = default;
  // Lookups hold views into the text, so a copy would point into the original.
  ProfileFile(const ProfileFile&) = delete;
  ProfileFile& operator=(const ProfileFile&) = delete;

  // Parses file text (UTF-8, optionally with a BOM, or UTF-16LE with a BOM; CRLF or LF).
  static ProfileFile Parse(std::string_view bytes);
  // Reads a file; a missing or unreadable file gives an empty profile.
  static ProfileFile Load(const std::string& path);

  // The stored value, unquoted; none when the section or key is absent.
  std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;

  // As the platform's string read: the value, or the default when the key is absent,
  // cut to bufferSize - 1 characters (a bufferSize of 0 gives "").
  std::string GetString(std::string_view section, std::string_view key,
                        std::string_view defaultValue, size_t bufferSize) const;
  // As the platform's integer read: the leading decimal number of the value (optional
  // sign, clamped to the int range), 0 when it has no digits, the default when absent or empty.
  int GetInt(std::string_view section, std::string_view key, int defaultValue) const;
  // Same rule with a 64-bit result.
  int64_t GetInt64(std::string_view section, std::string_view key, int64_t defaultValue) const;

  // Sets a value: an existing key is changed in place, a new key goes after the last key of
  // its section, a new section goes at the end of the file. Refused (false, nothing changed)
  // when the text can't be read back as written: a line break anywhere, a ']' in the
  // section, an empty key, or a key holding '=' or starting with '[' or ';'.
  bool SetString(std::string_view section, std::string_view key, std::string_view value);

  // The file text with CRLF line ends.
  std::string Text() const;
  // Writes the text to a temporary file beside path and renames it over path, so a reader
  // never sees a half-written file. False when it can't be written.
  bool Save(const std::string& path) const;

  size_t SectionCount() const { return sections_.size(); }

 private:
  struct Line {
    std::string_view text;  // the line as written, without its line end
    bool isKey = false;
    std::string_view key;    // within text
    std::string_view value;  // trimmed, within text
  };
  using NameIndex = std::unordered_map<std::string_view, size_t, NoCaseHash, NoCaseEqual>;
  struct Section {
    std::string_view name;  // "" for lines before the first section header
    bool hasHeader = false;
    std::vector<Line> lines;
    NameIndex keys;  // key -> lines[i]; the first of two equal keys is the one read
  };

  static Line MakeLine(std::string_view text, bool mayBeKey);
  static void AddLine(Section& section, const Line& line);
  std::string_view Keep(std::string text);
  const Line* FindLine(std::string_view section, std::string_view key) const;

  // Text the lines point into: the loaded file, then one string per line set later.
  // Both are held by pointer so the views survive a move of the ProfileFile.
  std::unique_ptr<const std::string> loaded_;
  std::vector<std::unique_ptr<const std::string>> added_;
  std::vector<Section> sections_;
  NameIndex sectionIndex_;  // the first of two equal sections is the one read and written
};

// One-shot forms of the platform's profile functions (each reads the file afresh).
std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key, const std::string& defaultValue,
                              size_t bufferSize);
int ReadProfileInt(const std::string& path, const std::string& section, const std::string& key,
                   int defaultValue);
// Creates the file when it is missing.
bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value);

}  // namespace tidewell
