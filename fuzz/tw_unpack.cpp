// Unpacks arbitrary bytes: decrypt, then uncompress. The first byte picks whether the
// rest is taken as a packed file as it arrives from a server, or as the compressed
// stream itself (encrypted first, so the zlib reader sees the bytes unchanged).
// Every run must leave the temporary folder as it found it.

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tidewell/packing/encrypted_file.h"
#include "tidewell/packing/pack_file.h"

namespace {

const std::string kPhrase = "fuzzing pass phrase";
std::string gFolder;  // private temporary folder of this process

size_t EntryCount() {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(gFolder)) ++n;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string pattern = std::filesystem::temp_directory_path().string() + "/fuzz-unpack-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  gFolder = pattern;
  ::setenv("TMPDIR", gFolder.c_str(), 1);
  std::freopen("/dev/null", "w", stdout);  // the packing steps print a line per file
  std::atexit([] { std::filesystem::remove_all(gFolder); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool rawStream = (data[0] & 1) != 0;
  const std::string input = gFolder + "/input";
  const std::string packed = gFolder + "/packed";
  std::ofstream(input, std::ios::binary)
      .write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
  std::string source = input;
  if (rawStream) {
    if (tidewell::EncryptFile(input, packed, kPhrase) != 1) std::abort();
    source = packed;
  }

  std::string result;
  const bool ok = tidewell::UnpackFile(source, true, true, kPhrase, result);
  if (ok != !result.empty()) std::abort();
  if (ok) std::filesystem::remove(result);

  std::filesystem::remove(input);
  std::filesystem::remove(packed);
  if (EntryCount() != 0) std::abort();  // a temporary file was left behind
  return 0;
}
