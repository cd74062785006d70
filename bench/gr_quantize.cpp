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
#include "format_bench.h"

namespace {

constexpr uint32_t kStride = (3 * kWidth + 3) & ~3u;
constexpr size_t kDibSize = 40 + size_t(kStride) * kHeight;
constexpr int kConversionRounds = 3;

// Wall time of one reference conversion, or a negative value when it failed.
double ReferenceRun(const std::string& in, const std::string& out) {
  const auto start = Clock::now();
  return Run({"/usr/bin/convert", in, "-colors", "256", out}) ? Seconds(start) : -1;
}

}  // namespace

int main() {
  const long baselineKb = StatusKb("VmRSS:");
  HGLOBAL picture = PhotoLike(28, 8);
  if (!picture) {
    std::fprintf(stderr, "cannot allocate the picture\n");
    return 1;
  }
  const auto dir =
      std::filesystem::temp_directory_path() / ("gr_quantize." + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string in = (dir / "in.bmp").string(), out = (dir / "out.bmp").string();
  if (!WriteBmpOf(in, picture, kDibSize)) {
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
  for (int round = 0; round < kConversionRounds; ++round) {
    HGLOBAL work = PhotoLike(28, 8);
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
