#include "jpeg_test_support.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace jpegtest {
namespace {

void PutU16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(std::uint8_t(v));
  out.push_back(std::uint8_t(v >> 8));
}
void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
}

std::string Quote(const std::string& text) {
  std::string quoted(1, '\'');
  for (char c : text) {
    if (c == '\'')
      quoted.append("'\\''");
    else
      quoted.push_back(c);
  }
  quoted.push_back('\'');
  return quoted;
}

}  // namespace

std::uint32_t PhotoPixel(int x, int y) {
  const unsigned noise = (unsigned(x) * 2654435761u ^ unsigned(y) * 40503u) >> 27;  // 0..31
  const int r = int(128 + 100 * std::sin(x * 0.11) + noise) & 0xFF;
  const int g = (x * 3 + y * 2 + int(noise)) & 0xFF;
  const int b = int(128 + 90 * std::cos((x + y) * 0.07)) & 0xFF;
  return std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | std::uint32_t(b);
}

void WriteBmp(const std::string& path, int width, int height, int bits,
              const std::vector<std::uint32_t>& palette,
              const std::function<std::uint32_t(int, int)>& pixel, std::int32_t pixelsPerMetre) {
  const std::uint32_t stride = ((std::uint32_t(width) * bits + 31) / 32) * 4;
  const std::uint32_t offset = 14 + 40 + std::uint32_t(palette.size()) * 4;
  std::vector<std::uint8_t> out = {'B', 'M'};
  PutU32(out, offset + stride * height);
  PutU32(out, 0);
  PutU32(out, offset);
  PutU32(out, 40);
  PutU32(out, width);
  PutU32(out, height);
  PutU16(out, 1);
  PutU16(out, bits);
  PutU32(out, 0);
  PutU32(out, stride * height);
  PutU32(out, pixelsPerMetre);
  PutU32(out, pixelsPerMetre);
  PutU32(out, std::uint32_t(palette.size()));
  PutU32(out, 0);
  for (std::uint32_t c : palette) PutU32(out, c & 0xFFFFFF);
  for (int y = height - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(stride, 0);
    for (int x = 0; x < width; ++x) {
      const std::uint32_t v = pixel(x, y);
      if (bits == 24) {
        row[3 * x] = std::uint8_t(v);
        row[3 * x + 1] = std::uint8_t(v >> 8);
        row[3 * x + 2] = std::uint8_t(v >> 16);
      } else {
        const int perByte = 8 / bits;
        row[x / perByte] |= std::uint8_t(v << ((perByte - 1 - x % perByte) * bits));
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  picstest::WriteBytes(path, out);
}

void WritePhotoBmp(const std::string& path, std::int32_t pixelsPerMetre) {
  WriteBmp(path, kWidth, kHeight, 24, {}, PhotoPixel, pixelsPerMetre);
}

void WriteGreyBmp(const std::string& path) {
  std::vector<std::uint32_t> ramp;
  for (std::uint32_t i = 0; i < 256; ++i) ramp.push_back(i * 0x010101u);
  WriteBmp(path, kWidth, kHeight, 8, ramp,
           [](int x, int y) { return (PhotoPixel(x, y) >> 8) & 0xFF; });
}

bool RunReference(const std::string& tool, const Args& switches, const std::string& input,
                  const std::string& output) {
  std::string command = "/usr/bin/";
  command.append(tool);
  for (const std::string& s : switches) command.append(" ").append(Quote(s));
  command.append(" -outfile ").append(Quote(output));
  command.append(" ").append(Quote(input)).append(" 2>/dev/null");
  return picstest::RunCommand(command);
}

int CallFrontEnd(int (*frontEnd)(int, char**), const std::string& program, const Args& args) {
  std::vector<std::string> words = {program};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  return frontEnd(static_cast<int>(words.size()), argv.data());
}

std::string MakeReferenceJpeg(const picstest::ScratchDir& dir, const std::string& name,
                              const Args& switches) {
  const std::string bmp = dir.Path(name + ".source.bmp");
  WritePhotoBmp(bmp, 3780);
  const std::string jpeg = dir.Path(name);
  EXPECT_TRUE(RunReference("cjpeg", switches, bmp, jpeg));
  return jpeg;
}

PrivateTempFolder::PrivateTempFolder() : m_path(m_dir.path().string()) {
  if (const char* old = std::getenv("TMPDIR")) {
    m_hadSaved = true;
    m_saved = old;
  }
  ::setenv("TMPDIR", m_path.c_str(), 1);
}

PrivateTempFolder::~PrivateTempFolder() {
  if (m_hadSaved)
    ::setenv("TMPDIR", m_saved.c_str(), 1);
  else
    ::unsetenv("TMPDIR");
}

std::vector<std::string> PrivateTempFolder::Leftovers() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(m_path)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("_W_", 0) == 0 || name.rfind("_JP", 0) == 0) names.push_back(name);
  }
  return names;
}

}  // namespace jpegtest
