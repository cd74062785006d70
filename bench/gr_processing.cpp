// Picture processing on a 4000 x 3000 (12 MP) line drawing, each against the
// nearest ImageMagick operation on the same picture in the same run:
//   rotate by 30 and 45 degrees vs  convert -rotate 30 / 45 (45: the largest result)
//   5 x 5 filter (light blur)   vs  convert -convolve <the same 25 coefficients>
//   thinning, 3 passes          vs  convert -negate -morphology Thinning:3 Skeleton -negate
//   tracing into polylines      vs  convert -morphology EdgeIn Square
// Tracing has no ImageMagick counterpart; the reference is the inner-edge
// morphology that extracts the same outline pixels the tracer's ink map keeps,
// without following them into lines (so it is the stricter reference).
// ImageMagick's times include reading and writing its BMP files; ours are in
// memory. Each figure also reports the peak resident memory of our operation as
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
#include <functional>
#include <string>
#include <vector>

#include "Pics.h"
#include "format_bench.h"
#include "graphics/processing/geometry_ops.h"

namespace {

constexpr uint32_t kStride = (3 * kWidth + 3) & ~3u;
constexpr size_t kDibSize = 40 + size_t(kStride) * kHeight;

// Black strokes 2 to 6 pixels wide on white: a grid of boxes, diagonals and rings.
HGLOBAL LineDrawing() {
  HGLOBAL h = GlobalAlloc(GHND, kDibSize);
  if (!h) return nullptr;
  auto* p = static_cast<uint8_t*>(GlobalLock(h));
  const uint32_t header[3] = {40, kWidth, kHeight};
  std::memcpy(p, header, 12);
  const uint16_t planesBits[2] = {1, 24};
  std::memcpy(p + 12, planesBits, 4);
  for (int y = 0; y < kHeight; ++y) std::memset(p + 40 + size_t(y) * kStride, 255, 3 * kWidth);
  auto dot = [&](int x, int y) {
    if (x >= 0 && y >= 0 && x < kWidth && y < kHeight)
      std::memset(p + 40 + size_t(y) * kStride + 3 * size_t(x), 0, 3);
  };
  auto pen = [&](double x, double y, int width) {
    for (int dy = 0; dy < width; ++dy)
      for (int dx = 0; dx < width; ++dx) dot(int(x) + dx, int(y) + dy);
  };
  auto line = [&](double x0, double y0, double x1, double y1, int width) {
    const int steps = int(std::max(std::fabs(x1 - x0), std::fabs(y1 - y0))) + 1;
    for (int i = 0; i <= steps; ++i)
      pen(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps, width);
  };
  for (int cy = 0; cy < 6; ++cy)
    for (int cx = 0; cx < 8; ++cx) {
      const double x = 60 + cx * 490, y = 60 + cy * 490;
      const int w = 2 + (cx + cy) % 5;
      line(x, y, x + 400, y, w), line(x + 400, y, x + 400, y + 400, w);
      line(x + 400, y + 400, x, y + 400, w), line(x, y + 400, x, y, w);
      line(x + 20, y + 380, x + 380, y + 20, w);
      for (int a = 0; a < 720; ++a) {
        const double t = a * M_PI / 360;
        pen(x + 200 + 120 * std::cos(t), y + 200 + 90 * std::sin(t), w);
      }
    }
  GlobalUnlock(h);
  return h;
}

// Wall time of one ImageMagick run, or a negative value when it failed.
double Reference(const std::string& in, const std::vector<std::string>& operation,
                 const std::string& out) {
  std::vector<std::string> words = {"/usr/bin/convert", in};
  words.insert(words.end(), operation.begin(), operation.end());
  words.insert(words.end(), {"-type", "TrueColor", "BMP3:" + out});
  const auto start = Clock::now();
  return Run(words) ? Seconds(start) : -1;
}

struct Figure {
  double seconds = 1e30;
  double peakMultiple = 0;
};

// Runs the operation on fresh pictures (made outside the timed part); the first
// round also measures the peak resident memory above the starting baseline.
Figure Measure(long baselineKb, const std::function<bool(HGLOBAL&)>& operation) {
  Figure f;
  for (int round = 0; round < 2; ++round) {
    HGLOBAL picture = LineDrawing();
    if (!picture) return {};
    const bool measure = round == 0 && ResetPeak();
    const auto start = Clock::now();
    if (!operation(picture)) {
      GlobalFree(picture);
      return {};
    }
    f.seconds = std::min(f.seconds, Seconds(start));
    const long peakKb = StatusKb("VmHWM:");
    if (measure && peakKb > 0)
      f.peakMultiple = double(peakKb - baselineKb) * 1024.0 / double(kDibSize);
    GlobalFree(picture);
  }
  return f;
}

bool Trace(HGLOBAL& picture) {
  if (!CPics::BeginAutoTrace(picture, -1, 0, 0, 0, 0)) return false;
  std::vector<POINT> points(4096);
  int count = 0;
  long lines = 0;
  while (CPics::GetNextLine(points.data(), &count, int(points.size()))) ++lines;
  CPics::EndAutoTrace();
  return lines > 0;
}

}  // namespace

int main() {
  const long baselineKb = StatusKb("VmRSS:");
  const auto dir =
      std::filesystem::temp_directory_path() / ("gr_processing." + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string in = (dir / "in.bmp").string(), out = (dir / "out.bmp").string();
  {
    HGLOBAL picture = LineDrawing();
    if (!picture || !WriteBmpOf(in, picture, kDibSize)) {
      std::fprintf(stderr, "cannot write %s\n", in.c_str());
      return 1;
    }
    GlobalFree(picture);
  }

  struct Case {
    const char* name;
    std::vector<std::string> reference;
    std::function<bool(HGLOBAL&)> ours;
  };
  const std::vector<Case> cases = {
      {"rotate30",
       {"-rotate", "30"},
       [](HGLOBAL& h) { return graphics::RotateByAngle(&h, 30) == 1; }},
      {"rotate45",
       {"-rotate", "45"},
       [](HGLOBAL& h) { return graphics::RotateByAngle(&h, 45) == 1; }},
      {"filter5x5",
       {"-convolve", "1,1,1,1,1,1,5,5,5,1,1,5,44,5,1,1,5,5,5,1,1,1,1,1,1"},
       [](HGLOBAL& h) { return CPics::ImageFilter(&h, 2, nullptr, 10) == 1; }},
      {"thin3",
       {"-negate", "-morphology", "Thinning:3", "Skeleton", "-negate"},
       [](HGLOBAL& h) { return CPics::ThinImage(&h, 3) == 1; }},
      {"trace", {"-morphology", "EdgeIn", "Square"}, Trace},
  };

  int status = 0;
  for (const Case& c : cases) {
    const double reference = Reference(in, c.reference, out);
    if (reference < 0) {
      std::fprintf(stderr, "/usr/bin/convert failed for %s\n", c.name);
      status = 1;
      continue;
    }
    const Figure f = Measure(baselineKb, c.ours);
    if (f.seconds >= 1e30) {
      std::fprintf(stderr, "%s failed\n", c.name);
      status = 1;
      continue;
    }
    std::printf("%s %dx%d: %.3f s, /usr/bin/convert: %.3f s\n", c.name, kWidth, kHeight, f.seconds,
                reference);
    std::printf("BENCH name=gr_processing_%s_time ratio=%.4f target=1\n", c.name,
                f.seconds / reference);
    if (f.peakMultiple > 0) {
      std::printf("peak resident memory of %s: %.2f x the DIB size (%zu bytes)\n", c.name,
                  f.peakMultiple, kDibSize);
      std::printf("BENCH name=gr_processing_%s_memory ratio=%.3f target=3\n", c.name,
                  f.peakMultiple);
    } else {
      std::printf("peak resident memory not measurable here (no /proc/self/clear_refs)\n");
    }
    std::fflush(stdout);
  }
  std::filesystem::remove_all(dir);
  return status;
}
