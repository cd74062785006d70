// Drawing a 1600 x 1200 picture on a 1920 x 1080 memory context: whole at zoom 1.2, and
// through the visible part at zoom 4 and 25 (with the DIB round trip the visible-part
// path makes), against a plain nearest-neighbour copy of the same pixels into a buffer
// in the same run.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "Pics.h"
#include "bench_harness.h"

namespace {

constexpr int kWidth = 1600, kHeight = 1200, kCanvasWidth = 1920, kCanvasHeight = 1080;
constexpr int kRounds = 3;

HGLOBAL MakePicture() {
  const std::size_t stride = ((std::size_t(kWidth) * 24 + 31) / 32) * 4;
  HGLOBAL dib = GlobalAlloc(GHND, 40 + stride * kHeight);
  auto* p = static_cast<BYTE*>(GlobalLock(dib));
  BITMAPINFOHEADER header{40, kWidth, kHeight, 1, 24, 0, 0, 0, 0, 0, 0};
  std::memcpy(p, &header, sizeof header);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      BYTE* px = p + 40 + stride * y + 3 * x;
      px[0] = BYTE(x);
      px[1] = BYTE(y);
      px[2] = BYTE(x ^ y);
    }
  GlobalUnlock(dib);
  return dib;
}

// The least work any drawing does: one source pixel fetched per destination pixel.
double ReferenceStretch(HGLOBAL dib, const RECT& dest, std::vector<std::uint32_t>& canvas) {
  const auto start = std::chrono::steady_clock::now();
  const auto* p = static_cast<const BYTE*>(GlobalLock(dib));
  const std::size_t stride = ((std::size_t(kWidth) * 24 + 31) / 32) * 4;
  const std::int64_t w = dest.right - dest.left, h = dest.bottom - dest.top;
  std::vector<int> columns(kCanvasWidth);
  for (int x = 0; x < kCanvasWidth; ++x)
    columns[x] = int(((2 * (x - dest.left) + 1) * std::int64_t(kWidth)) / (2 * w));
  for (int y = 0; y < kCanvasHeight; ++y) {
    const int sy = int(((2 * (y - dest.top) + 1) * std::int64_t(kHeight)) / (2 * h));
    if (sy < 0 || sy >= kHeight) continue;
    const BYTE* row = p + 40 + stride * std::size_t(kHeight - 1 - sy);
    for (int x = 0; x < kCanvasWidth; ++x) {
      const int sx = columns[x];
      if (sx < 0 || sx >= kWidth) continue;
      const BYTE* px = row + 3 * sx;
      canvas[std::size_t(y) * kCanvasWidth + x] = px[0] | (px[1] << 8) | (px[2] << 16);
    }
  }
  GlobalUnlock(dib);
  return Seconds(start);
}

}  // namespace

int main() {
  HGLOBAL dib = MakePicture();
  CPics* picture = CPics::CreatePicture(dib, PictureBMP, 0);
  if (picture == nullptr) return 1;
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, kCanvasWidth, kCanvasHeight);
  ReleaseDC(nullptr, screen);
  CDC dc;
  dc.CreateCompatibleDC(nullptr);
  HBITMAP previous = SelectObject(dc.m_hDC, bitmap);
  std::vector<std::uint32_t> buffer(std::size_t(kCanvasWidth) * kCanvasHeight);

  struct Case {
    const char* id;
    RECT dest;
    double target;
  };
  const Case cases[] = {
      {"gr_draw_zoom1_2", RECT{0, 0, 1920, 1440}, 2.5},
      {"gr_draw_zoom4_part", RECT{-2000, -1500, 4400, 3300}, 8.0},
      {"gr_draw_zoom25_staged", RECT{-15000, -11000, 25000, 19000}, 8.0},
  };
  int missed = 0;
  for (const Case& c : cases) {
    double ours = 1e9, reference = 1e9;
    for (int round = 0; round < kRounds; ++round) {
      const auto start = std::chrono::steady_clock::now();
      picture->DisplayPicture(&dc, &c.dest);
      ours = std::min(ours, Seconds(start));
      reference = std::min(reference, ReferenceStretch(picture->m_hDIB, c.dest, buffer));
    }
    const double ratio = ours / reference;
    std::printf("%s: DisplayPicture %.1f ms, plain nearest-neighbour copy %.1f ms\n", c.id,
                ours * 1e3, reference * 1e3);
    std::printf("BENCH name=%s ratio=%.2f target=%.1f\n", c.id, ratio, c.target);
    if (ratio > c.target) ++missed;
  }
  SelectObject(dc.m_hDC, previous);
  DeleteObject(bitmap);
  CPics::ClosePicture(picture);
  return missed == 0 ? 0 : 1;
}
