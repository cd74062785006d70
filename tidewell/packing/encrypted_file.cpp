#include "tidewell/packing/encrypted_file.h"

#include <nettle/arcfour.h>

#include <array>
#include <cstdio>

#include "tidewell/packing/packing_key.h"
#include "tidewell/packing/stdio_file.h"

namespace tidewell {
namespace {

constexpr size_t kBlockSize = 1000;

// Texts naming the two sides in the console lines; encryption reads the plain text
// and writes the cipher text, decryption the other way round.
struct Sides {
  const char* input;
  const char* output;
};

// RC4 is symmetric, so one routine serves both directions.
int CryptFile(const std::string& inputPath, const std::string& outputPath,
              const std::string& passPhrase, Sides sides) {
  StdioFile input(inputPath, "rb");
  if (!input) {
    std::fprintf(stderr, "Error opening %s file!\n", sides.input);
    return 0;
  }
  if (IsSameFile(inputPath, outputPath)) {  // "wb" would wipe the input first
    std::fprintf(stderr, "Error opening %s file!\n", sides.output);
    return 0;
  }
  StdioFile output(outputPath, "wb");
  if (!output) {
    std::fprintf(stderr, "Error opening %s file!\n", sides.output);
    return 0;
  }

  const auto key = DerivePackingKey(passPhrase);
  arcfour_ctx rc4;
  arcfour_set_key(&rc4, key.size(), key.data());  // the keystream starts afresh per file

  std::array<uint8_t, kBlockSize> block{};
  bool atEnd = false;
  while (!atEnd) {
    const size_t got = std::fread(block.data(), 1, block.size(), input.get());
    if (std::ferror(input.get())) {
      std::fprintf(stderr, "Error reading %s!\n", sides.input);
      return 0;
    }
    atEnd = got < block.size() || std::feof(input.get());
    arcfour_crypt(&rc4, got, block.data(), block.data());
    if (std::fwrite(block.data(), 1, got, output.get()) != got) {
      std::fprintf(stderr, "Error writing %s!\n", sides.output);
      return 0;
    }
  }
  if (!output.Close()) {
    std::fprintf(stderr, "Error writing %s!\n", sides.output);
    return 0;
  }
  std::fputs("OK\n", stderr);
  return 1;
}

}  // namespace

int EncryptFile(const std::string& plainPath, const std::string& cipherPath,
                const std::string& passPhrase) {
  return CryptFile(plainPath, cipherPath, passPhrase, {"Plaintext", "Ciphertext"});
}

int DecryptFile(const std::string& cipherPath, const std::string& plainPath,
                const std::string& passPhrase) {
  return CryptFile(cipherPath, plainPath, passPhrase, {"Ciphertext", "Plaintext"});
}

}  // namespace tidewell
