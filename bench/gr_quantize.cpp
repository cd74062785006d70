// Reducing a 4000 x 3000 photo-like true-colour picture to 256 colours by median
// cut (ConvertTo8BPP, in memory) against ImageMagick's "convert in.bmp -colors 256
// out.bmp" on the same picture, and the peak resident memory of the conversion as
// a multiple of the picture's DIB size.

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "Pics.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWidth = 4000, kHeight = 3000;
constexpr uint32_t kStride = (3 * kWidth + 3) & ~3u;
constexpr size_t kDibSize = 40 + size_t(kStride) * kHeight;
constexpr int kRounds = 3;

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Gradients, a few shapes and grain, like a photograph.
HGLOBAL PhotoLike() {
  HGLOBAL h = GlobalAlloc(GHND, kDibSize);
  if (!h) return nullptr;
  auto* p = static_cast<uint8_t*>(GlobalLock(h));
  const uint32_t header[3] = {40, kWidth, kHeight};
  std::memcpy(p, header, 12);
  const uint16_t planesBits[2] = {1, 24};
  std::memcpy(p + 12, planesBits, 4);
  uint32_t seed = 2024;
  for (int y = 0; y < kHeight; ++y) {
    uint8_t* row = p + 40 + size_t(y) * kStride;
    const double fy = double(y) / kHeight;
    for (int x = 0; x < kWidth; ++x) {
      seed = seed * 1664525 + 1013904223;
      const int grain = int(seed >> 28) - 8;
      const double fx = double(x) / kWidth;
      double r = 40 + 200 * fx * (1 - fy), g = 120 + 90 * std::sin(5 * fy + 4 * fx),
             b = 230 * (1 - fy) + 20 * fx;
      const double dx = fx - 0.6, dy = fy - 0.4;
      if (dx * dx + dy * dy < 0.03) r = 240 - 300 * (dx * dx + dy * dy), g = 190, b = 80 + 100 * dy;
      if (std::sin(40 * fx) * std::cos(30 * fy) > 0.9) r *= 0.5, g *= 0.6, b *= 0.4;
      uint8_t* px = row + 3 * x;
      px[0] = uint8_t(std::clamp(int(b) + grain, 0, 255));
      px[1] = uint8_t(std::clamp(int(g) + grain, 0, 255));
      px[2] = uint8_t(std::clamp(int(r) + grain, 0, 255));
    }
  }
  GlobalUnlock(h);
  return h;
}

bool WriteBmp(const std::string& path, HGLOBAL dib) {
  const uint32_t fileSize = uint32_t(14 + kDibSize), offset = 14 + 40;
  uint8_t fileHeader[14] = {'B', 'M'};
  std::memcpy(fileHeader + 2, &fileSize, 4);
  std::memcpy(fileHeader + 10, &offset, 4);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(fileHeader), 14);
  out.write(static_cast<const char*>(GlobalLock(dib)), std::streamsize(kDibSize));
  GlobalUnlock(dib);
  return bool(out);
}

// Wall time of one reference conversion, or a negative value when it failed.
double ReferenceRun(const std::string& in, const std::string& out) {
  const char* argv[] = {"/usr/bin/convert", in.c_str(), "-colors", "256", out.c_str(), nullptr};
  const auto start = Clock::now();
  pid_t pid;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
    return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  const double t = Seconds(start);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? t : -1;
}

long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const size_t n = std::strlen(field);
  while (std::getline(status, line))
    if (line.compare(0, n, field) == 0) return std::atol(line.c_str() + n + 1);
  return -1;
}

// Resets the peak resident size to the current one; false where the kernel refuses.
bool ResetPeak() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  return bool(clear.flush());
}

}  // namespace

int main() {
  const long baselineKb = StatusKb("VmRSS:");
  HGLOBAL picture = PhotoLike();
  if (!picture) {
    std::fprintf(stderr, "cannot allocate the picture\n");
    return 1;
  }
  const auto dir =
      std::filesystem::temp_directory_path() / ("gr_quantize." + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string in = (dir / "in.bmp").string(), out = (dir / "out.bmp").string();
  if (!WriteBmp(in, picture)) {
    std::fprintf(stderr, "cannot write %s\n", in.c_str());
    return 1;
  }
  GlobalFree(picture);

  double reference = 1e30;
  for (int i = 0; i < 2; ++i) {
    const double t = ReferenceRun(in, out);
    if (t < 0) {
      std::fprintf(stderr, "/usr/bin/convert failed\n");
      return 1;
    }
    reference = std::min(reference, t);
  }

  // Each round converts a fresh picture made outside the timed section; the first
  // also measures the peak resident size, which then holds the input picture,
  // the result and the working tables.
  double ours = 1e30;
  double peakMultiple = 0;
  for (int round = 0; round < kRounds; ++round) {
    HGLOBAL work = PhotoLike();
    if (!work) return 1;
    const bool measure = round == 0 && ResetPeak();
    const auto start = Clock::now();
    if (!CPics::ConvertTo8BPP(&work)) return 1;
    ours = std::min(ours, Seconds(start));
    const long peakKb = StatusKb("VmHWM:");
    if (measure && peakKb > 0)
      peakMultiple = double(peakKb - baselineKb) * 1024.0 / double(kDibSize);
    GlobalFree(work);
  }
  std::filesystem::remove_all(dir);

  std::printf("ConvertTo8BPP %dx%d: %.3f s, /usr/bin/convert -colors 256: %.3f s\n", kWidth,
              kHeight, ours, reference);
  std::printf("BENCH name=gr_quantize_time ratio=%.4f target=1\n", ours / reference);
  if (peakMultiple > 0) {
    std::printf("peak resident memory of the conversion: %.2f x the DIB size (%zu bytes)\n",
                peakMultiple, kDibSize);
    std::printf("BENCH name=gr_quantize_memory ratio=%.3f target=3\n", peakMultiple);
  } else {
    std::printf("peak resident memory not measurable here (no /proc/self/clear_refs)\n");
  }
  return 0;
}
