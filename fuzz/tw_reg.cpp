// .reg hive reader: any bytes parse without fault.
#include <cstddef>
#include <cstdint>
#include <iostream>
#include <string>
#include <string_view>

#include "tidewell/platform/registry_file.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::cerr.rdbuf(nullptr);  // one warning per malformed line would flood the log
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  tidewell::RegistryFile reg = tidewell::RegistryFile::Parse(bytes, "fuzz.reg");
  for (const tidewell::RegKey& key : reg.Keys()) {
    (void)reg.KeyExists(key.path);
    for (const tidewell::RegValue& v : key.values) (void)reg.FindValue(key.path, v.name);
  }
  (void)reg.KeyExists("HKEY_LOCAL_MACHINE\\SOFTWARE");
  (void)reg.FindValue("HKLM\\SOFTWARE\\Corvane\\Leafline", "InstallLocation");
  return 0;
}
