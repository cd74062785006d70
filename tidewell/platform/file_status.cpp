#include "tidewell/platform/file_status.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <charconv>

namespace tidewell {
namespace {

constexpr const char* kCreatedAttr = "user.corvane.created";

std::optional<int64_t> ReadCreatedAttr(const std::string& path) {
  char buf[32];
  ssize_t n = ::getxattr(path.c_str(), kCreatedAttr, buf, sizeof buf);
  if (n <= 0) return std::nullopt;
  int64_t value = 0;
  auto [end, ec] = std::from_chars(buf, buf + n, value);
  if (ec != std::errc() || end != buf + n) return std::nullopt;
  return value;
}

}  // namespace

std::optional<FileStatus> GetFileStatus(const std::string& path) {
  if (path.empty()) return std::nullopt;
  struct statx sx {};
  if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0)
    return std::nullopt;
  FileStatus st{};
  st.isFolder = S_ISDIR(sx.stx_mode);
  st.size = sx.stx_size;
  st.modified = sx.stx_mtime.tv_sec;
  if (auto attr = ReadCreatedAttr(path))
    st.created = *attr;
  else if (sx.stx_mask & STATX_BTIME)
    st.created = sx.stx_btime.tv_sec;
  else
    st.created = st.modified;
  return st;
}

bool SetFileTimes(const std::string& path, int64_t created, int64_t modified) {
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;  // access time unchanged
  times[1].tv_sec = static_cast<time_t>(modified);
  times[1].tv_nsec = 0;
  bool ok = ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
  const std::string text = std::to_string(created);
  ok = ::setxattr(path.c_str(), kCreatedAttr, text.data(), text.size(), 0) == 0 && ok;
  return ok;
}

}  // namespace tidewell
