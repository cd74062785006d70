#include "tidewell/platform/pending_moves.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <vector>

#include "tidewell/platform/ascii_case.h"
#include "tidewell/platform/file_copy.h"
#include "tidewell/platform/durable_files.h"
#include "tidewell/platform/folders.h"
#include "tidewell/platform/system_error.h"

namespace tidewell {
namespace {

constexpr const char* kFileName = "WinInit.Ini";
constexpr std::string_view kDeleteMarker = "NUL";

// Holds an exclusive lock on the Windows folder while the file is read and rewritten,
// so two programs adding lines at once don't lose each other's.
class FolderLock {
 public:
  explicit FolderLock(const std::string& folder)
      : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_ >= 0) {
      while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
    }
  }
  ~FolderLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  bool held() const { return fd_ >= 0; }

 private:
  int fd_;
};

// The file's bytes; "" when it doesn't exist, none when it exists but can't be read.
std::optional<std::string> ReadPendingFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (!std::filesystem::exists(path)) return std::string();
    return std::nullopt;
  }
  std::string text(std::istreambuf_iterator<char>(in), {});
  if (in.bad()) return std::nullopt;
  return text;
}

// Replaces the file's contents in one step.
bool WritePendingFile(const std::string& path, const std::string& text) {
  const std::string temp = MakeTempFileName(WindowsFolder(), ".wininit-");
  if (temp.empty()) return false;
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << text;
    out.flush();
    if (!out) {
      ::unlink(temp.c_str());
      return false;
    }
  }
  // On disk before it replaces the old file, so a power loss leaves one or the other.
  if (!SyncFile(temp)) {
    ::unlink(temp.c_str());
    return false;
  }
  if (MoveFileOver(temp, path, NewFileMode::Default) != kErrorSuccess) {
    ::unlink(temp.c_str());
    return false;
  }
  SyncFolder(WindowsFolder());
  return true;
}

bool HoldsLineBreakOrNul(const std::string& text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos;
}

// Carries out one line; an empty string on success, else why it failed.
std::string CarryOut(const PendingLine& line) {
  if (line.source.empty()) return "no source file named";
  if (EqualsNoCase(line.destination, kDeleteMarker)) {
    if (::unlink(line.source.c_str()) != 0 && errno != ENOENT) return std::strerror(errno);
    return "";
  }
  if (line.destination.empty()) return "no destination named";
  const uint32_t error = MoveFileOver(line.source, line.destination, NewFileMode::Default);
  return error == kErrorSuccess ? "" : FileErrorText(error);
}

}  // namespace

std::vector<PendingLine> SplitPendingLines(std::string_view text) {
  std::vector<PendingLine> lines;
  bool inRename = false;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end + 1;
    PendingLine line;
    line.text = std::string(text.substr(start, end - start));
    start = end;
    const std::string_view body = TrimSpace(line.text);
    if (!body.empty() && body.front() == '[') {
      const size_t close = body.find(']');
      inRename = close != std::string_view::npos &&
                 EqualsNoCase(TrimSpace(body.substr(1, close - 1)), "Rename");
    } else if (inRename && !body.empty() && body.front() != ';') {
      // Sources never hold '='; a destination may.
      const size_t eq = body.rfind('=');
      if (eq != std::string_view::npos) {
        line.isMove = true;
        line.destination = std::string(body.substr(0, eq));
        line.source = std::string(body.substr(eq + 1));
      }
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

std::string PendingMovesFilePath() {
  const std::string folder = WindowsFolder();
  const std::string exact = JoinPath(folder, kFileName);
  if (std::filesystem::exists(exact)) return exact;
  if (DIR* dir = ::opendir(folder.c_str())) {
    std::string found;
    while (const dirent* entry = ::readdir(dir)) {
      if (EqualsNoCase(entry->d_name, kFileName) && FileExists(JoinPath(folder, entry->d_name))) {
        found = JoinPath(folder, entry->d_name);
        break;
      }
    }
    ::closedir(dir);
    if (!found.empty()) return found;
  }
  return exact;
}

std::string InsertRenameLine(std::string_view text, std::string_view line) {
  std::string out(text);
  const size_t header = out.find(kRenameHeader);
  if (header == std::string::npos) {
    out.append(kRenameHeader);
    out.append(line);
  } else {
    out.insert(header + kRenameHeader.size(), line);
  }
  return out;
}

bool AddPendingMove(const std::string& source, const std::string& destination) {
  return AddPendingMoves({{source, destination}});
}

bool AddPendingMoves(const std::vector<PendingMove>& moves) {
  for (const PendingMove& move : moves) {
    if (move.source.empty() || HoldsLineBreakOrNul(move.source) ||
        HoldsLineBreakOrNul(move.destination) || move.source.find('=') != std::string::npos)
      return false;
  }
  const std::string folder = WindowsFolder();
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  FolderLock lock(folder);
  if (!lock.held()) return false;
  const std::string path = PendingMovesFilePath();
  const std::optional<std::string> text = ReadPendingFile(path);
  if (!text) return false;
  std::string updated = *text;
  for (const PendingMove& move : moves) {
    const std::string line =
        (move.destination.empty() ? std::string(kDeleteMarker) : move.destination) + "=" +
        move.source + "\r\n";
    updated = InsertRenameLine(updated, line);
  }
  return WritePendingFile(path, updated);
}

bool ApplyPendingMoves(std::ostream& err) {
  const std::string folder = WindowsFolder();
  if (!FolderExists(folder)) return true;
  FolderLock lock(folder);
  const std::string path = PendingMovesFilePath();
  const std::optional<std::string> text = ReadPendingFile(path);
  if (!text) {
    err << "tidewell: cannot read " << path << "\n";
    return false;
  }
  std::vector<PendingLine> lines = SplitPendingLines(*text);
  int left = 0;
  // Newer lines stand above older ones: once a destination has been replaced, an older
  // line for it would put back an outdated copy, so its source is only deleted.
  std::set<std::string> replaced;
  for (size_t i = 0; i < lines.size();) {
    const PendingLine& line = lines[i];
    if (!line.isMove) {
      ++i;
      continue;
    }
    const bool deletes = EqualsNoCase(line.destination, kDeleteMarker);
    std::string failure;
    if (!deletes && replaced.count(line.destination)) {
      if (::unlink(line.source.c_str()) != 0 && errno != ENOENT) failure = std::strerror(errno);
    } else if (!deletes && !line.source.empty() &&
               !std::filesystem::exists(std::filesystem::symlink_status(line.source))) {
      // An interrupted earlier start already moved it and lost only the line's removal.
      err << "tidewell: " << line.source << " was already moved to " << line.destination << "\n";
    } else {
      failure = CarryOut(line);
    }
    if (!failure.empty()) {
      err << "tidewell: cannot move " << line.source << " to " << line.destination << ": "
          << failure << "\n";
      ++left;
      ++i;
      continue;
    }
    if (!deletes) replaced.insert(line.destination);
    // Each move done is struck from the file at once, so an interruption at any point
    // leaves a file the next start can finish.
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
    std::string rest;
    for (const PendingLine& kept : lines) rest += kept.text;
    if (!WritePendingFile(path, rest)) {
      err << "tidewell: cannot rewrite " << path << "; the next start finishes it\n";
      return false;
    }
  }
  return left == 0;
}

}  // namespace tidewell
