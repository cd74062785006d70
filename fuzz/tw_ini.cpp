// INI profile reader: any bytes parse without fault, and a value just written reads back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "tidewell/platform/profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  tidewell::ProfileFile profile = tidewell::ProfileFile::Parse(bytes);
  (void)profile.GetString("General", "Base URL", "dflt", 260);
  (void)profile.GetInt("Program Files", "Size1", 0);
  (void)profile.GetInt64("Program Files", "Size2", 0);
  (void)profile.Find("", "");
  profile.SetString("Program Files", "Name1", "bin\\x.dll");
  profile.SetString("Fuzz Section", "Key", "value");
  if (profile.Find("Program Files", "Name1") != "bin\\x.dll") std::abort();
  // The written text parses to the same answers.
  tidewell::ProfileFile again = tidewell::ProfileFile::Parse(profile.Text());
  if (again.Find("Fuzz Section", "Key") != profile.Find("Fuzz Section", "Key")) std::abort();
  return 0;
}
