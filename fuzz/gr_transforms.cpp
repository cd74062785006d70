// Runs the picture operations on arbitrary bytes taken as a DIB block: the
// first bytes choose the operation and its arguments, the rest is the block.
// Damaged headers must be refused and nothing may be read or written outside
// the block. Operations that would make pictures far larger than the input are
// passed over, to keep memory within the fuzzer's limits.

#include <cstdint>
#include <cstring>
#include <vector>

#include "Pics.h"
#include "coder_fuzz.h"
#include "graphics/processing/brightness_contrast.h"
#include "graphics/processing/geometry_ops.h"

namespace {

constexpr size_t kArguments = 8;

void TraceAll(HGLOBAL h, int reduce, int minimum, int maxCount, int merge) {
  if (!CPics::BeginAutoTrace(h, reduce, 50, minimum, 1, 3)) return;
  std::vector<POINT> points(size_t(maxCount) + 1);
  std::vector<float> xs(points.size()), ys(points.size());
  RECT rect{0, 0, 100, 100};
  int count = 0;
  for (int i = 0; i < 100000; ++i) {
    const bool more =
        i % 2 ? CPics::GetNextLine(points.data(), &count, maxCount)
              : CPics::GetNextLine(xs.data(), ys.data(), &count, maxCount, &rect, merge);
    if (!more) break;
  }
  CPics::EndAutoTrace();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kArguments) return 0;
  const uint8_t* a = data;
  HGLOBAL h = coder_fuzz::BlockOf(data + kArguments, size - kArguments);
  if (!h) return 0;
  const int signedArg = int(int8_t(a[2]));
  switch (a[0] % 13) {
    case 0:
      graphics::RotateQuarterTurn(&h, a[1] & 1);
      break;
    case 1:
      graphics::RotateByAngle(&h, signedArg * 3.7);
      break;
    case 2:
      graphics::FlipHorizontal(&h);
      break;
    case 3:
      graphics::FlipVertical(&h);
      break;
    case 4:
      graphics::ResizeByFactor(&h, float(a[1] % 24 + 1) / 8.0f);
      break;
    case 5:
      CPics::Crop(&h, POINT{signedArg, int(int8_t(a[3]))}, SIZE{a[4], a[5]});
      break;
    case 6: {
      IMGFILTER5X5 kernel{};
      for (int i = 0; i < 25; ++i) kernel.k[i] = int(int8_t(a[(i % 6) + 1])) * (i + 1);
      kernel.divisor = int(int8_t(a[7])) | 1;
      kernel.offset = signedArg;
      CPics::ImageFilter(&h, a[1] % 12, a[1] % 12 == 0 ? &kernel : nullptr, int(int8_t(a[3])));
      break;
    }
    case 7:
      graphics::AdjustBrightnessContrast(&h, signedArg, int(int8_t(a[3])));
      break;
    case 8:
      CPics::ThinImage(&h, a[1] % 8);
      break;
    case 9: {
      COLORREF keep[2] = {RGB(a[3], a[4], a[5]), RGB(a[5], a[4], a[3])};
      CPics::ColorSelection(&h, RGB(a[1], a[2], a[3]), keep, 1 + (a[6] & 1), a[7]);
      break;
    }
    case 10:
      CPics::ContourDetection(&h, a[1] % 101, a[2] % 101, a[3] & 1, a[4] % 5);
      break;
    case 11:
      TraceAll(h, -1, a[1] % 4, 1 + a[2] % 6, a[3] % 4);
      break;
    case 12:
      TraceAll(h, a[1] % 101, a[2] % 4, 1 + a[3] % 6, a[4] % 4);
      break;
  }
  GlobalFree(h);
  return 0;
}
