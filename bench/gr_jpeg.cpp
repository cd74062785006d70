// JPEG through the picture object against the JPEG library's own command-line
// programs on the same 12-megapixel (4000 x 3000) photo-like picture: loading
// (OpenPicture) against "djpeg -bmp", saving (SavePictureAs) against "cjpeg -quality
// 75", and the peak resident memory of a load as a multiple of the picture's DIB size.
// Times are wall time, what a user waits for; each is the median of interleaved rounds
// so that both sides see the same machine.

#include <spawn.h>
#include <sys/resource.h>
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
#include <vector>

#include "Pics.h"
#include "bench_harness.h"

namespace {

constexpr int kWidth = 4000, kHeight = 3000;
constexpr std::uint32_t kStride = (3 * kWidth + 3) & ~3u;
constexpr std::size_t kDibSize = 40 + std::size_t(kStride) * kHeight;
constexpr int kRounds = 5;

bool WritePhotoBmp(const std::string& path) {
  std::vector<std::uint8_t> file(14 + kDibSize);
  std::uint8_t* p = file.data();
  const std::uint32_t fileSize = std::uint32_t(file.size()), offset = 54,
                      header[3] = {40, kWidth, kHeight};
  p[0] = 'B';
  p[1] = 'M';
  std::memcpy(p + 2, &fileSize, 4);
  std::memcpy(p + 10, &offset, 4);
  std::memcpy(p + 14, header, 12);
  const std::uint16_t planesBits[2] = {1, 24};
  std::memcpy(p + 26, planesBits, 4);
  std::uint32_t seed = 7;
  for (int y = 0; y < kHeight; ++y) {
    std::uint8_t* row = p + 54 + std::size_t(y) * kStride;
    for (int x = 0; x < kWidth; ++x) {
      seed = seed * 1664525 + 1013904223;
      const int grain = int(seed >> 28) - 8;
      const double fx = double(x) / kWidth, fy = double(y) / kHeight;
      row[3 * x] = std::uint8_t(std::clamp(int(200 * (1 - fy) + 30 * fx) + grain, 0, 255));
      row[3 * x + 1] =
          std::uint8_t(std::clamp(int(120 + 90 * std::sin(6 * fy + 5 * fx)) + grain, 0, 255));
      row[3 * x + 2] = std::uint8_t(std::clamp(int(40 + 200 * fx * (1 - fy)) + grain, 0, 255));
    }
  }
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(p), std::streamsize(file.size()));
  return bool(out);
}

// Wall time of one program run to its end, or a negative value when it failed.
double TimedRun(const std::vector<std::string>& args) {
  const Clock::time_point start = Clock::now();
  return Run(args) ? Seconds(start) : -1;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// A ratio against its target; a miss makes the run fail.
void ReportRatio(const char* name, double ratio, double target, bool* ok) {
  std::printf("BENCH name=%s ratio=%.3f target=%.1f\n", name, ratio, target);
  if (!(ratio <= target)) *ok = false;
}

}  // namespace

int main() {
  const auto dir = std::filesystem::temp_directory_path() / ("gr_jpeg." + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string bmp = (dir / "in.bmp").string(), jpeg = (dir / "in.jpg").string();
  const std::string refBmp = (dir / "ref.bmp").string(), refJpg = (dir / "ref.jpg").string();
  const std::string ourJpg = (dir / "ours.jpg").string();
  if (!WritePhotoBmp(bmp) || TimedRun({"/usr/bin/cjpeg", "-outfile", jpeg, bmp}) < 0) {
    std::fprintf(stderr, "cannot make the test picture\n");
    return 1;
  }
  CPics* source = CPics::OpenPicture(bmp.c_str());
  if (source == nullptr) {
    std::fprintf(stderr, "cannot open %s\n", bmp.c_str());
    return 1;
  }

  std::vector<double> load, loadRef, save, saveRef;
  double peakRatio = 0;
  for (int round = 0; round < kRounds; ++round) {
    loadRef.push_back(TimedRun({"/usr/bin/djpeg", "-bmp", "-outfile", refBmp, jpeg}));
    const long before = StatusKb("VmRSS:");
    const bool peakKnown = ResetPeak();
    Clock::time_point start = Clock::now();
    CPics* picture = CPics::OpenPicture(jpeg.c_str());
    load.push_back(Seconds(start));
    const long peak = StatusKb("VmHWM:");
    if (picture == nullptr) {
      std::fprintf(stderr, "cannot load %s\n", jpeg.c_str());
      return 1;
    }
    CPics::ClosePicture(picture);
    if (peakKnown) peakRatio = std::max(peakRatio, double(peak - before) * 1024 / kDibSize);

    saveRef.push_back(TimedRun({"/usr/bin/cjpeg", "-quality", "75", "-outfile", refJpg, bmp}));
    start = Clock::now();
    const int saved = source->SavePictureAs(ourJpg.c_str(), PictureJPEG);
    save.push_back(Seconds(start));
    if (!saved) {
      std::fprintf(stderr, "cannot save %s\n", ourJpg.c_str());
      return 1;
    }
  }
  CPics::ClosePicture(source);
  std::filesystem::remove_all(dir);
  if (Median(loadRef) <= 0 || Median(saveRef) <= 0) {
    std::fprintf(stderr, "a reference run failed\n");
    return 1;
  }

  std::printf("load %dx%d: ours %.3f s, djpeg -bmp %.3f s\n", kWidth, kHeight, Median(load),
              Median(loadRef));
  std::printf("save %dx%d: ours %.3f s, cjpeg -quality 75 %.3f s\n", kWidth, kHeight, Median(save),
              Median(saveRef));
  bool ok = true;
  ReportRatio("gr_jpeg_load", Median(load) / Median(loadRef), 1.3, &ok);
  ReportRatio("gr_jpeg_save", Median(save) / Median(saveRef), 1.3, &ok);
  if (peakRatio > 0) {
    std::printf("peak resident memory of a load: %.2f x the DIB size\n", peakRatio);
    ReportRatio("gr_jpeg_load_memory", peakRatio, 3.0, &ok);
  }
  return ok ? 0 : 1;
}
