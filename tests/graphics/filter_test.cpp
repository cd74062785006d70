// Convolution filters, brightness and contrast. Filter results are compared with
// a plain evaluation of the kernel sums written here from the kernel tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "Pics.h"
#include "graphics/processing/brightness_contrast.h"
#include "graphics/processing/convolution.h"
#include "graphics/processing/filter_kernels.h"
#include "processing_dibs.h"

using namespace processing_test;

namespace {

struct TestKernel {
  int n;
  std::vector<int> k;
  int divisor, offset;
};

const int kThree[11][11] = {
    {1, 1, 1, 1, 5, 1, 1, 1, 1, 13, 0},          {5, 5, 5, 5, 44, 5, 5, 5, 5, 84, 0},
    {1, 1, 1, 1, 0, 1, 1, 1, 1, 8, 0},           {-2, -2, -2, -2, 32, -2, -2, -2, -2, 24, 0},
    {0, -1, 0, -1, 10, -1, 0, -1, 0, 6, 0},      {-1, -1, -1, -1, 10, -1, -1, -1, -1, 2, 0},
    {-1, -1, -1, -1, 9, -1, -1, -1, -1, 1, 0},   {-1, -1, -1, -1, 8, -1, -1, -1, -1, 1, 0},
    {-1, -1, -1, -1, 8, -1, -1, -1, -1, 1, 255}, {2, 2, 2, 2, -2, -2, 2, -2, -2, 2, 12},
    {1, 1, 1, 1, -2, -1, 1, -1, -1, 1, 160},
};

TestKernel Three(int index) {
  const int* e = kThree[index - 1];
  return {3, std::vector<int>(e, e + 9), e[9], e[10]};
}

TestKernel Five(int index) {
  TestKernel t{5, std::vector<int>(25, 0), 0, 0};
  auto ring = [&](int outer, int inner, int centre) {
    for (int i = 0; i < 25; ++i) {
      const int r = i / 5, c = i % 5;
      t.k[size_t(i)] = (r == 2 && c == 2)                       ? centre
                       : (r == 0 || r == 4 || c == 0 || c == 4) ? outer
                                                                : inner;
    }
  };
  switch (index) {
    case 2:
      ring(1, 5, 44), t.divisor = 100;
      break;
    case 3:
      ring(1, 0, 0), t.divisor = 16;
      break;
    case 4: {
      const TestKernel small = Three(4);
      for (int i = 0; i < 9; ++i) t.k[size_t((i / 3 + 1) * 5 + i % 3 + 1)] = small.k[size_t(i)];
      t.divisor = 16;
      break;
    }
    case 10:
      t.k = {1, 1, 1, 1, 1, 1, 2, 2, 2, -1, 1, 2, -4, -2, -1, 1, 2, -2, -2, -1, 1, 1, -1, -1, -1};
      t.divisor = 6, t.offset = 24;
      break;
    default: {
      const TestKernel small = Three(index);
      for (int i = 0; i < 9; ++i) t.k[size_t((i / 3 + 1) * 5 + i % 3 + 1)] = small.k[size_t(i)];
      t.divisor = small.divisor, t.offset = small.offset;
    }
  }
  return t;
}

// Stored rows (bottom first), 3 bytes a pixel, padding-free.
using Pixels = std::vector<std::array<uint8_t, 3>>;

Pixels StoredPixels(HGLOBAL h) {
  View v(h);
  Pixels out;
  for (int r = 0; r < v.height(); ++r)
    for (int x = 0; x < v.width(); ++x) {
      const RgbColor c = v.rgb(x, v.height() - 1 - r);
      out.push_back({c.blue, c.green, c.red});
    }
  return out;
}

Pixels Reference(const Pixels& src, int w, int h, const TestKernel& t, int strength) {
  Pixels out(src.size());
  const int reach = t.n / 2;
  for (int r = 0; r < h; ++r)
    for (int x = 0; x < w; ++x)
      for (int ch = 0; ch < 3; ++ch) {
        long sum = 0;
        for (int kr = 0; kr < t.n; ++kr)
          for (int kc = 0; kc < t.n; ++kc) {
            int nr = r - reach + kr, nx = x - reach + kc;
            if (nr < 0 || nr >= h) nr = r;  // the centre's own row, not the nearest edge
            if (nx < 0 || nx >= w) nx = x;
            sum += long(t.k[size_t(kr * t.n + kc)]) * src[size_t(nr * w + nx)][size_t(ch)];
          }
        if (t.divisor != 1 && sum != 0) sum /= t.divisor;
        sum += t.offset;
        const long o = src[size_t(r * w + x)][size_t(ch)];
        if (strength != 10) sum = o + ((sum - o) * strength) / 10;
        out[size_t(r * w + x)][size_t(ch)] = uint8_t(std::clamp(sum, 0L, 255L));
      }
  return out;
}

HGLOBAL Noise(int w, int h, uint32_t seed) {
  return MakeTrueColor(w, h, [&](int, int) {
    seed = seed * 1103515245 + 12345;
    return RgbColor{uint8_t(seed >> 24), uint8_t(seed >> 16), uint8_t(seed >> 8)};
  });
}

HGLOBAL Uniform(int w, int h, RgbColor c) {
  return MakeTrueColor(w, h, [&](int, int) { return c; });
}

int Filter3(HGLOBAL* h, int index, int strength = 10, IMGFILTER3X3* custom = nullptr) {
  const auto kernel = graphics::SelectKernel3x3(index, custom);
  return kernel ? graphics::Convolve(h, *kernel, strength, false) : 0;
}

class RecordingWindow : public CWnd {
 public:
  LRESULT SendMessage(UINT, WPARAM, LPARAM) override {
    progress.push_back(CPics::m_progress);
    if (abortAfter > 0 && int(progress.size()) >= abortAfter) CPics::m_bAbort = 1;
    return 0;
  }
  std::vector<int> progress;
  int abortAfter = 0;
};

}  // namespace

TEST(ImageFilterKernels, EveryBuiltInKernelMatchesThePlainSumsAtSeveralStrengths) {
  // Sizes that put every pixel of a 5 x 5 window near an edge as well as inside.
  for (auto [w, h] : {std::pair{9, 7}, {2, 2}, {1, 1}, {4, 1}}) {
    for (int index = 1; index <= 11; ++index)
      for (int strength : {10, 0, 5, 20, -7}) {
        Dib three(Noise(w, h, uint32_t(index * 31 + w)));
        const Pixels src3 = StoredPixels(three.get());
        ASSERT_EQ(Filter3(three.slot(), index, strength), 1);
        EXPECT_EQ(StoredPixels(three.get()), Reference(src3, w, h, Three(index), strength))
            << "3x3 index " << index << " strength " << strength << " size " << w << "x" << h;

        Dib five(Noise(w, h, uint32_t(index * 17 + h)));
        const Pixels src5 = StoredPixels(five.get());
        ASSERT_EQ(CPics::ImageFilter(five.slot(), index, nullptr, strength), 1);
        EXPECT_EQ(StoredPixels(five.get()), Reference(src5, w, h, Five(index), strength))
            << "5x5 index " << index << " strength " << strength << " size " << w << "x" << h;
      }
  }
}

TEST(ImageFilterKernels, UniformPicturesChangeAsTheCoefficientSumsSay) {
  const RgbColor grey{90, 150, 201};
  auto filtered = [&](bool five, int index) {
    Dib dib(Uniform(6, 5, grey));
    if (five)
      EXPECT_EQ(CPics::ImageFilter(dib.slot(), index, nullptr, 10), 1);
    else
      EXPECT_EQ(Filter3(dib.slot(), index), 1);
    return View(dib.get()).rgb(2, 2);
  };
  for (int index : {1, 2, 3, 5, 6, 7}) EXPECT_EQ(filtered(false, index), grey) << index;
  EXPECT_EQ(filtered(false, 4), (RgbColor{60, 100, 134}));  // 16 v / 24
  EXPECT_EQ(filtered(true, 4), grey);                       // 16 v / 16
  EXPECT_EQ(filtered(false, 8), (RgbColor{0, 0, 0}));
  EXPECT_EQ(filtered(false, 9), (RgbColor{255, 255, 255}));
  EXPECT_EQ(filtered(false, 10), (RgbColor{102, 162, 213}));
  EXPECT_EQ(filtered(false, 11), (RgbColor{160, 160, 160}));
}

TEST(ImageFilterKernels, CallerKernelsAndBadArgumentsAreChecked) {
  IMGFILTER3X3 shiftRight{{0, 0, 0, 1, 0, 0, 0, 0, 0}, 1, 0};  // takes the left neighbour
  Dib dib(MakeTrueColor(3, 1, [](int x, int) { return RgbColor{uint8_t(x * 100), 0, 0}; }));
  ASSERT_EQ(Filter3(dib.slot(), 0, 10, &shiftRight), 1);
  View v(dib.get());
  EXPECT_EQ(v.rgb(0, 0).red, 0);  // outside column replaced by the pixel itself
  EXPECT_EQ(v.rgb(1, 0).red, 0);
  EXPECT_EQ(v.rgb(2, 0).red, 100);

  Dib other(Uniform(2, 2, {1, 2, 3}));
  IMGFILTER3X3 zeroDivisor{{1, 1, 1, 1, 1, 1, 1, 1, 1}, 0, 0};
  IMGFILTER5X5 zeroDivisor5{};
  EXPECT_EQ(Filter3(other.slot(), 0, 10, &zeroDivisor), 0);
  EXPECT_EQ(Filter3(other.slot(), 0, 10, nullptr), 0);
  EXPECT_EQ(Filter3(other.slot(), 12), 0);
  EXPECT_EQ(Filter3(other.slot(), -1), 0);
  EXPECT_EQ(CPics::ImageFilter(other.slot(), 0, &zeroDivisor5, 10), 0);
  EXPECT_EQ(CPics::ImageFilter(other.slot(), 12, nullptr, 10), 0);
}

TEST(ImageFilterKernels, HugeCallerCoefficientsSaturateInsteadOfOverflowing) {
  IMGFILTER5X5 huge{};
  for (int& k : huge.k) k = 2000000000;
  huge.divisor = 1;
  huge.offset = -2000000000;
  Dib dib(Uniform(3, 3, {7, 0, 255}));
  ASSERT_EQ(CPics::ImageFilter(dib.slot(), 0, &huge, 10), 1);
  EXPECT_EQ(View(dib.get()).rgb(1, 1), (RgbColor{255, 0, 255}));
  Dib strong(Uniform(3, 3, {7, 0, 255}));
  ASSERT_EQ(CPics::ImageFilter(strong.slot(), 0, &huge, 2000000000), 1);
  EXPECT_EQ(View(strong.get()).rgb(1, 1), (RgbColor{255, 0, 255}));
}

TEST(ImageFilterKernels, PalettePicturesComeBackAsEightBits) {
  std::vector<RgbColor> palette(256, RgbColor{200, 100, 50});
  CPics* picture = CPics::CreatePicture(MakeDib(4, 4, 8, palette), PictureBMP, 0);
  ASSERT_NE(picture, nullptr);
  ASSERT_EQ(picture->ImageFilter3X3(9, nullptr, 10), 1);
  EXPECT_EQ(picture->m_bitsPerPixel, 8);
  ASSERT_NE(picture->m_PaletteBuffer, nullptr);
  View v(picture->m_hDIB);
  EXPECT_EQ(v.rgb(1, 1), (RgbColor{252, 252, 252}));  // white, cut to 6 bits a channel
  CPics::ClosePicture(picture);
}

TEST(ImageFilterProgress, FiveByFiveReportsEachRowAndStopsOnAbort) {
  RecordingWindow window;
  CPics::SetProgressDlg(&window, 7, 0, 100);
  Dib dib(Uniform(4, 6, {90, 90, 90}));
  ASSERT_EQ(CPics::ImageFilter(dib.slot(), 8, nullptr, 10), 1);
  EXPECT_EQ(window.progress, (std::vector<int>{0, 1, 2, 3, 4, 5}));

  RecordingWindow aborting;
  aborting.abortAfter = 3;
  CPics::SetProgressDlg(&aborting, 7, 0, 100);
  Dib partly(Uniform(4, 6, {90, 90, 90}));
  EXPECT_EQ(CPics::ImageFilter(partly.slot(), 8, nullptr, 10),
            1);  // an abort is read from m_bAbort
  EXPECT_EQ(CPics::m_bAbort, 1);
  View v(partly.get());
  EXPECT_EQ(v.rgb(0, 5), (RgbColor{0, 0, 0}));  // stored rows 0 and 1 were filtered
  EXPECT_EQ(v.rgb(0, 4), (RgbColor{0, 0, 0}));
  EXPECT_EQ(v.rgb(0, 3), (RgbColor{90, 90, 90}));  // the rest stayed as it was

  RecordingWindow silent;
  CPics::SetProgressDlg(&silent, 7, 0, 100);
  Dib three(Uniform(4, 6, {90, 90, 90}));
  ASSERT_EQ(Filter3(three.slot(), 8), 1);
  EXPECT_TRUE(silent.progress.empty());
  CPics::SetProgressDlg(nullptr, 0, 0, 0);
}

TEST(BrightnessContrast, LimitsAndTheGreenDrivenShift) {
  auto adjusted = [](RgbColor c, int brightness, int contrast) {
    Dib dib(Uniform(1, 1, c));
    EXPECT_EQ(graphics::AdjustBrightnessContrast(dib.slot(), brightness, contrast), 1);
    return View(dib.get()).rgb(0, 0);
  };
  EXPECT_EQ(adjusted({10, 20, 30}, 0, 0), (RgbColor{10, 20, 30}));
  EXPECT_EQ(adjusted({10, 120, 230}, 150, 0), adjusted({10, 120, 230}, 100, 0));
  EXPECT_EQ(adjusted({10, 120, 230}, 100, 0), (RgbColor{110, 220, 255}));
  EXPECT_EQ(adjusted({10, 192, 230}, 0, 60), adjusted({10, 192, 230}, 0, 48));
  EXPECT_EQ(adjusted({128, 128, 128}, 0, 48), (RgbColor{128, 128, 128}));
  EXPECT_EQ(adjusted({10, 192, 230}, 0, 48), (RgbColor{58, 240, 255}));
  // Below 128 the table is negative: trunc(48 sin(64 * 2pi / 256 - pi)) = -48 at green 64.
  EXPECT_EQ(adjusted({100, 64, 30}, -100, 48), (RgbColor{0, 0, 0}));
  EXPECT_EQ(adjusted({100, 64, 30}, 10, 48), (RgbColor{62, 26, 0}));
}

TEST(BrightnessContrast, PalettePicturesChangeTheirPaletteOnly) {
  std::vector<RgbColor> palette(256, RgbColor{1, 2, 3});
  palette[5] = {200, 192, 10};
  CPics* picture = CPics::CreatePicture(MakeDib(2, 2, 8, palette), PictureBMP, 0);
  ASSERT_NE(picture, nullptr);
  View(picture->m_hDIB).setIndex(1, 1, 5);
  ASSERT_EQ(picture->AdjustBrightnessContrast(0, 48), 1);
  View v(picture->m_hDIB);
  EXPECT_EQ(v.bits(), 8);
  EXPECT_EQ(v.index(1, 1), 5);
  EXPECT_EQ(v.entry(5), (RgbColor{248, 240, 58}));
  EXPECT_EQ(picture->m_PaletteBuffer[15], 248);  // the object's palette copy follows
  EXPECT_EQ(picture->AdjustBrightnessContrast(0, 0), 1);
  CPics::ClosePicture(picture);
}
