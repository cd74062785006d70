// Update list reader over a file: any bytes read without fault, and every entry it keeps
// stays below its folders.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>

#include "tidewell/updateset/list_date.h"
#include "tidewell/updateset/update_list.h"

namespace {

// The list lives in an in-memory file, so runs are not held up by the disk.
int g_listFd = -1;
std::string g_listPath;

bool Below(const std::string& path, const std::string& folder) {
  return path.compare(0, folder.size(), folder) == 0 &&
         path.find("/../", folder.size() - 1) == std::string::npos &&
         (path.size() < 3 || path.compare(path.size() - 3, 3, "/..") != 0);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::cerr.rdbuf(nullptr);
  g_listFd = ::memfd_create("update-list", 0);
  if (g_listFd < 0) std::abort();
  g_listPath = "/proc/self/fd/" + std::to_string(g_listFd);
  ::setenv("TIDEWELL_WINDIR", "/srv/win", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (::ftruncate(g_listFd, 0) != 0) std::abort();
  if (size > 0 && ::pwrite(g_listFd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();

  tidewell::UpdateList list;
  list.ReadUpdateList(g_listPath, "/opt/prog/", "/tmp/stage/", tidewell::MachineListDefaults());
  for (const tidewell::UpdateEntry& e : list) {
    if (e.size <= 0 || e.name.empty()) std::abort();
    if (!Below(e.stagedPath, "/tmp/stage/")) std::abort();
  }
  int64_t t = 0;
  (void)tidewell::ParseListDate(std::string(reinterpret_cast<const char*>(data), size), t);
  return 0;
}
