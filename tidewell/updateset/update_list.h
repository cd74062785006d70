#pragma once
// The in-memory update list and its INI text form.
#include <cstddef>
#include <string>
#include <vector>

#include "tidewell/updateset/update_entry.h"

namespace tidewell {

// Results of UpdateList::WriteUpdateList.
inline constexpr int kListWritten = 0;
inline constexpr int kListOldFileNotDeleted = 1;  // an older file is in the way; nothing written
inline constexpr int kListNotWritten = 2;         // the new file could not be written

// What a list leaves to the machine it is read on.
struct ListDefaults {
  std::string windowsFolder;  // where "Windows Files" go
  std::string baseUrl;        // the address used when the list names no Base URL
};
// This machine's: the Windows folder and the update server address of its environment.
ListDefaults MachineListDefaults();

class UpdateList {
 public:
  void Append(UpdateEntry entry) { entries_.push_back(std::move(entry)); }
  size_t Count() const { return entries_.size(); }
  bool Empty() const { return entries_.empty(); }
  UpdateEntry& At(size_t index) { return entries_.at(index); }
  const UpdateEntry& At(size_t index) const { return entries_.at(index); }
  void RemoveAt(size_t index) {
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
  }
  void Clear() { entries_.clear(); }
  std::vector<UpdateEntry>& Entries() { return entries_; }
  const std::vector<UpdateEntry>& Entries() const { return entries_; }
  auto begin() { return entries_.begin(); }
  auto end() { return entries_.end(); }
  auto begin() const { return entries_.begin(); }
  auto end() const { return entries_.end(); }

  // Appends the entries of a list file. programFolder is the product's install folder and
  // stagingFolder the run's staging folder (both end with '/'; one is added if missing);
  // defaults gives what the list leaves to the machine. An unreadable or empty file adds
  // nothing. Entries whose name (or prefix) would reach outside their folder, or that hold
  // a control character, are skipped with a warning on standard error.
  void ReadUpdateList(const std::string& listPath, const std::string& programFolder,
                      const std::string& stagingFolder, const ListDefaults& defaults);

  // Writes every entry to a new list file, sorting each into "Program Files", "Windows Files"
  // or "Other Files" by its installed path, and sets each entry's name and prefix.
  // Returns kListWritten, kListOldFileNotDeleted or kListNotWritten.
  int WriteUpdateList(const std::string& listPath, const std::string& baseUrl,
                      const std::string& programFolder, const std::string& windowsPrefix,
                      const std::string& programPrefix, const std::string& otherPrefix);

 private:
  std::vector<UpdateEntry> entries_;
};

}  // namespace tidewell
