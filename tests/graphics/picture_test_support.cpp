#include "picture_test_support.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sys/wait.h>
#include <unistd.h>

namespace picstest {

ScratchDir::ScratchDir() {
  static std::atomic<int> counter{0};
  m_path = std::filesystem::path(BUILD_DIR) / "test-scratch" /
           ("graphics-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
  std::filesystem::remove_all(m_path);
  std::filesystem::create_directories(m_path);
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(m_path, ignored);
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

bool RunCommand(const std::string& command) {
  const int status = std::system(command.c_str());
  return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

ToolRun RunPics(const std::string& args) {
  ToolRun run;
  const std::string command = std::string(BUILD_DIR) + "/bin/pics " + args + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) run.out += buffer;
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

bool RunPython(const std::string& script) {
  ScratchDir dir;
  const std::string file = dir.Path("script.py");
  std::ofstream(file) << script;
  return RunCommand("/usr/bin/python3 " + file);
}

bool DecodeAllWithPillow(const std::vector<std::string>& paths) {
  std::string script =
      "import sys\n"
      "from PIL import Image\n"
      "for p in sys.argv[1:]:\n"
      "    im = Image.open(p).convert('RGB')\n"
      "    open(p + '.rgb', 'wb').write(im.size[0].to_bytes(4, 'little') + "
      "im.size[1].to_bytes(4, 'little') + im.tobytes())\n";
  ScratchDir dir;
  const std::string file = dir.Path("decode.py");
  std::ofstream(file) << script;
  std::string command = "/usr/bin/python3 " + file;
  for (const std::string& path : paths) command += " '" + path + "'";
  return RunCommand(command);
}

RgbImage LoadRgb(const std::string& rgbPath) {
  RgbImage image;
  const std::vector<std::uint8_t> bytes = ReadBytes(rgbPath);
  if (bytes.size() < 8) return image;
  std::memcpy(&image.width, bytes.data(), 4);
  std::memcpy(&image.height, bytes.data() + 4, 4);
  image.rgb.assign(bytes.begin() + 8, bytes.end());
  return image;
}

RgbImage DecodeWithPillow(const std::string& path) {
  if (!DecodeAllWithPillow({path})) return {};
  RgbImage image = LoadRgb(path + ".rgb");
  std::filesystem::remove(path + ".rgb");
  return image;
}

HGLOBAL MakeDib(int width, int height, int bits, const std::vector<std::uint32_t>& colors,
                std::uint32_t colorsUsed) {
  const std::size_t stride = ((std::size_t(width) * bits + 31) / 32) * 4;
  const std::size_t tableEntries = colorsUsed != 0 ? colorsUsed
                                   : bits <= 8     ? (std::size_t(1) << bits)
                                                   : 0;
  HGLOBAL dib = GlobalAlloc(GHND, 40 + tableEntries * 4 + stride * height);
  auto* p = static_cast<BYTE*>(GlobalLock(dib));
  BITMAPINFOHEADER header{};
  header.biSize = 40;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = static_cast<WORD>(bits);
  header.biClrUsed = colorsUsed;
  std::memcpy(p, &header, sizeof header);
  for (std::size_t i = 0; i < colors.size() && i < tableEntries; ++i) {
    p[40 + 4 * i] = colors[i] & 0xFF;
    p[40 + 4 * i + 1] = (colors[i] >> 8) & 0xFF;
    p[40 + 4 * i + 2] = (colors[i] >> 16) & 0xFF;
  }
  GlobalUnlock(dib);
  return dib;
}

void PutPixel(HGLOBAL dib, int x, int y, std::uint32_t value) {
  auto* p = static_cast<BYTE*>(GlobalLock(dib));
  const int width = CPics::DIBWidth(p), height = CPics::DIBHeight(p),
            bits = CPics::DIBBitsPerPixel(p);
  BYTE* row = CPics::DIBImagePtr(p) + std::size_t(height - 1 - y) * CPics::DIBByteWidth(p);
  (void)width;
  switch (bits) {
    case 1:
      row[x / 8] =
          static_cast<BYTE>((row[x / 8] & ~(0x80 >> (x % 8))) | ((value & 1) << (7 - x % 8)));
      break;
    case 4:
      row[x / 2] = x % 2 ? static_cast<BYTE>((row[x / 2] & 0xF0) | (value & 0x0F))
                         : static_cast<BYTE>((row[x / 2] & 0x0F) | ((value & 0x0F) << 4));
      break;
    case 8:
      row[x] = static_cast<BYTE>(value);
      break;
    case 24:
      row[3 * x] = value & 0xFF;
      row[3 * x + 1] = (value >> 8) & 0xFF;
      row[3 * x + 2] = (value >> 16) & 0xFF;
      break;
  }
  GlobalUnlock(dib);
}

void ExpectSamePixels(const CPics& picture, const RgbImage& reference) {
  ASSERT_EQ(picture.m_width, reference.width);
  ASSERT_EQ(picture.m_height, reference.height);
  int mismatches = 0;
  for (int y = 0; y < reference.height; ++y) {
    for (int x = 0; x < reference.width; ++x) {
      BYTE r = 0, g = 0, b = 0;
      ASSERT_EQ(picture.GetRGB(x, y, &r, &g, &b), 1) << "at " << x << "," << y;
      const std::uint8_t* want = reference.At(x, y);
      if ((r != want[0] || g != want[1] || b != want[2]) && ++mismatches <= 5) {
        ADD_FAILURE() << "pixel " << x << "," << y << " is " << int(r) << "," << int(g) << ","
                      << int(b) << " but the reference has " << int(want[0]) << "," << int(want[1])
                      << "," << int(want[2]);
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace picstest
