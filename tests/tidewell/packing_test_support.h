#pragma once

// Helpers shared by the packing tests: a private scratch folder, file contents and
// test data that mixes compressible text with noise.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace packing_test {

using Bytes = std::vector<uint8_t>;

inline Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const Bytes& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

// Text-like lines followed by random bytes, the shape of a program folder's files.
inline Bytes MixedData(size_t size, unsigned seed = 7) {
  Bytes data;
  data.reserve(size);
  std::mt19937 rng(seed);
  const std::string line = "Leafline drawing module, layer table entry ";
  while (data.size() < size / 2) {
    for (char c : line + std::to_string(rng() % 1000) + "\r\n")
      data.push_back(static_cast<uint8_t>(c));
  }
  data.resize(std::min(data.size(), size / 2));
  while (data.size() < size) data.push_back(static_cast<uint8_t>(rng()));
  return data;
}

// A fresh folder in the temporary folder, removed with everything in it afterwards.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/twpack-test-XXXXXX";
    path_ = ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
  }
  ~ScratchFolder() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

  size_t EntryCount() const {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(path_),
                                             std::filesystem::directory_iterator()));
  }

 private:
  std::string path_;
};

}  // namespace packing_test
