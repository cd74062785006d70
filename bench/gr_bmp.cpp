// BMP load + save of a 4000 x 3000 photo-like picture, against ImageMagick doing the
// same file-to-file copy in the same run; and the operation's peak resident memory as a
// multiple of the picture's DIB size.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "Pics.h"
#include "bench_harness.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// Smooth shading with texture and noise, like a photograph.
bool WritePhotoLikeBmp(const std::string& path) {
  const std::size_t stride = ((std::size_t(kWidth) * 24 + 31) / 32) * 4;
  HGLOBAL dib = GlobalAlloc(GHND, 40 + stride * kHeight);
  auto* p = static_cast<BYTE*>(GlobalLock(dib));
  if (p == nullptr) return false;
  BITMAPINFOHEADER header{40, kWidth, kHeight, 1, 24, 0, 0, 2835, 2835, 0, 0};
  std::memcpy(p, &header, sizeof header);
  unsigned seed = 12345;
  for (int y = 0; y < kHeight; ++y) {
    BYTE* row = p + 40 + stride * y;
    for (int x = 0; x < kWidth; ++x) {
      seed = seed * 1103515245u + 12345u;
      const int noise = int((seed >> 16) & 15) - 8;
      const double wave = 40 * std::sin(x * 0.01) * std::cos(y * 0.013);
      row[3 * x] = BYTE(std::clamp(int(60 + y * 0.05 + wave + noise), 0, 255));
      row[3 * x + 1] = BYTE(std::clamp(int(90 + x * 0.03 - wave + noise), 0, 255));
      row[3 * x + 2] = BYTE(std::clamp(int(120 + (x + y) * 0.02 + noise), 0, 255));
    }
  }
  GlobalUnlock(dib);
  CPics* picture = CPics::CreatePicture(dib, PictureBMP, 0);
  const bool saved = picture != nullptr && picture->SavePictureAs(path.c_str(), PictureBMP) == 1;
  CPics::ClosePicture(picture);
  return saved;
}

bool LoadAndSave(const std::string& in, const std::string& out) {
  CPics* picture = CPics::OpenPicture(in.c_str(), 0, nullptr);
  if (picture == nullptr) return false;
  const int saved = picture->SavePicture(out.c_str(), PictureBMP);
  CPics::ClosePicture(picture);
  return saved == 1;
}

long StatusKilobytes(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
  return -1;
}

// Peak resident growth of one load + save, measured in a child process whose peak
// counter is reset first. Returns bytes, or -1.
long long PeakGrowth(const std::string& in, const std::string& out) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return -1;
  const pid_t child = fork();
  if (child == 0) {
    close(pipeEnds[0]);
    std::ofstream("/proc/self/clear_refs") << "5";  // reset the peak to the current size
    const long before = StatusKilobytes("VmRSS:");
    const bool ok = LoadAndSave(in, out);
    const long peak = StatusKilobytes("VmHWM:");
    const long long growth = ok && before >= 0 && peak >= 0 ? (peak - before) * 1024LL : -1;
    if (write(pipeEnds[1], &growth, sizeof growth) != sizeof growth) _exit(1);
    _exit(0);
  }
  close(pipeEnds[1]);
  long long growth = -1;
  if (read(pipeEnds[0], &growth, sizeof growth) != sizeof growth) growth = -1;
  close(pipeEnds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return growth;
}

}  // namespace

int main() {
  char folder[] = "/tmp/bench_gr_bmp_XXXXXX";
  if (mkdtemp(folder) == nullptr) return 1;
  const std::string dir = folder;
  const std::string in = dir + "/in.bmp", ours = dir + "/ours.bmp", theirs = dir + "/theirs.bmp";
  int status = 0;
  if (!WritePhotoLikeBmp(in)) {
    std::fprintf(stderr, "could not make the test picture\n");
    status = 1;
  } else {
    double best = 1e9, reference = 1e9;
    for (int round = 0; round < 3; ++round) {
      auto start = std::chrono::steady_clock::now();
      if (!LoadAndSave(in, ours)) status = 1;
      best = std::min(best, Seconds(start));
      start = std::chrono::steady_clock::now();
      if (std::system(("/usr/bin/convert " + in + " " + theirs).c_str()) != 0) status = 1;
      reference = std::min(reference, Seconds(start));
    }
    const double dibSize = 40.0 + double(((kWidth * 24 + 31) / 32) * 4) * kHeight;
    const long long growth = PeakGrowth(in, ours);
    std::printf("BMP load + save of %dx%d: %.3f s; convert: %.3f s\n", kWidth, kHeight, best,
                reference);
    std::printf("peak memory growth: %.1f MB for a %.1f MB DIB\n", growth / 1e6, dibSize / 1e6);
    std::printf("BENCH name=gr_bmp_load_save ratio=%.3f target=1\n", best / reference);
    std::printf("BENCH name=gr_bmp_peak_memory ratio=%.3f target=3\n",
                growth < 0 ? 99.0 : growth / dibSize);
  }
  for (const std::string& f : {in, ours, theirs}) std::remove(f.c_str());
  rmdir(folder);
  return status;
}
