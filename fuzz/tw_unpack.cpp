// Unpacks arbitrary bytes: decrypt, then uncompress. The first byte picks whether the
// rest is taken as a packed file as it arrives from a server, or as the compressed
// stream itself (encrypted first, so the zlib reader sees the bytes unchanged).
// Unpacking block by block as a download does must agree with it, bytes and failures.
// Every run must leave the temporary folder as it found it.

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tidewell/packing/encrypted_file.h"
#include "tidewell/packing/pack_file.h"
#include "tidewell/packing/stream_unpacker.h"

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

  // Unpacking as the bytes arrive, in blocks of a size the input picks, agrees with it.
  std::ifstream packedIn(source, std::ios::binary);
  std::string packedBytes((std::istreambuf_iterator<char>(packedIn)),
                          std::istreambuf_iterator<char>());
  std::string streamed;
  tidewell::StreamUnpacker unpacker(true, true, kPhrase, -1, [&](const char* bytes, size_t n) {
    streamed.append(bytes, n);
    return true;
  });
  const size_t block = 1 + (data[0] >> 1) * 37;
  auto status = tidewell::StreamUnpacker::Result::Ok;
  for (size_t at = 0; at < packedBytes.size() && status == tidewell::StreamUnpacker::Result::Ok;
       at += block)
    status = unpacker.Feed(packedBytes.data() + at, std::min(block, packedBytes.size() - at));
  if (status == tidewell::StreamUnpacker::Result::Ok) status = unpacker.Finish();
  if (ok != (status == tidewell::StreamUnpacker::Result::Ok)) std::abort();
  if (ok) {
    std::ifstream unpackedIn(result, std::ios::binary);
    const std::string unpacked((std::istreambuf_iterator<char>(unpackedIn)),
                               std::istreambuf_iterator<char>());
    if (unpacked != streamed) std::abort();
    std::filesystem::remove(result);
  }

  std::filesystem::remove(input);
  std::filesystem::remove(packed);
  if (EntryCount() != 0) std::abort();  // a temporary file was left behind
  return 0;
}
