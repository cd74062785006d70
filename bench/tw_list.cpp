// Reading a full update list (3 sections x 2999 entries) against the floor of any INI
// reader: one pass over the same file splitting lines and key=value into a hash map.
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unordered_map>
#include <vector>

#include "tidewell/updateset/update_list.h"

namespace {

// Processor time of this thread: other programs on a busy machine don't count against either side.
double CpuMs() {
  timespec ts{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

template <typename F>
double MedianMs(int runs, F&& f) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const double start = CpuMs();
    f();
    times.push_back(CpuMs() - start);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// The reference: read the file, split it into lines, keep "section/key" -> value.
size_t ReferenceRead(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  std::unordered_map<std::string, std::string> values;
  std::string section;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    if (nl == std::string::npos) nl = text.size();
    std::string_view line(text.data() + pos, nl - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty() && line.front() == '[') {
      section.assign(line.substr(1, line.size() - 2));
    } else if (size_t eq = line.find('='); eq != std::string_view::npos) {
      values.emplace(section + "/" + std::string(line.substr(0, eq)),
                     std::string(line.substr(eq + 1)));
    }
    pos = nl + 1;
  }
  return values.size();
}

}  // namespace

int main() {
  namespace fs = std::filesystem;
  std::string pattern = (fs::temp_directory_path() / "bench-list-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) return 1;
  const fs::path dir = pattern;
  ::setenv("TIDEWELL_WINDIR", (dir / "win").c_str(), 1);
  const std::string program = (dir / "prog").string();
  const std::string listPath = (dir / "full.tdu").string();

  tidewell::UpdateList written;
  for (int n = 1; n <= 2999; ++n) {
    for (const std::string& folder :
         {program + "/bin", (dir / "win/system").string(), std::string("/srv/shared")}) {
      tidewell::UpdateEntry e;
      e.installedPath = folder + "/file" + std::to_string(n) + ".dll";
      e.modified = 953115725 + n;
      e.created = 951901200 + n;
      e.size = 1000 + n;
      e.checkModify = e.checkSize = true;
      written.Append(std::move(e));
    }
  }
  if (written.WriteUpdateList(listPath, "http://updates.example/set/", program, "winfiles",
                              "program", "others") != tidewell::kListWritten)
    return 1;

  size_t entries = 0;
  const double ours = MedianMs(9, [&] {
    tidewell::UpdateList list;
    list.ReadUpdateList(listPath, program + "/", "/tmp/td000000/", tidewell::MachineListDefaults());
    entries = list.Count();
  });
  size_t keys = 0;
  const double reference = MedianMs(9, [&] { keys = ReferenceRead(listPath); });
  fs::remove_all(dir);
  if (entries != 3 * 2999) {
    std::fprintf(stderr, "read %zu entries, expected %d\n", entries, 3 * 2999);
    return 1;
  }

  std::printf(
      "update list of %zu entries (%zu keys), processor time: ReadUpdateList %.2f ms, plain map "
      "read %.2f ms\n",
      entries, keys, ours, reference);
  std::printf("BENCH name=tw_read_update_list ratio=%.3f target=5\n", ours / reference);
  return 0;
}
