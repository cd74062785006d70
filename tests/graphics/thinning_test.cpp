// Thinning, colour selection and contour detection. Thinning is compared with a
// direct evaluation: every sub-pass judges each pixel by its true 3 x 3
// neighbourhood as it stood when the sub-pass began.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Pics.h"
#include "processing_dibs.h"

using namespace processing_test;

namespace {

const char kDeletionHex[] =
    "0000c8ce0000dccc000000cf000000cc000000cf0000ddff000001cf0000ddff"
    "000000000000ddcc00000000000000cc000001cf0000ddff000001cf0000ddff";

bool Deletable(int code) {
  const std::string byte(kDeletionHex + 2 * (code / 8), 2);
  return (std::stoi(byte, nullptr, 16) >> (code % 8)) & 1;
}

// Ink grid indexed [stored row][column]; true = black.
using Grid = std::vector<std::vector<bool>>;

Grid ReferenceThin(Grid g, int passes) {
  const int h = int(g.size()), w = int(g[0].size());
  auto ink = [&](const Grid& s, int y, int x) {
    return y >= 0 && y < h && x >= 0 && x < w && s[size_t(y)][size_t(x)];
  };
  long removed = 1;
  for (int pass = 0; pass < passes && removed > 0; ++pass) {
    removed = 0;
    for (int side : {0200, 0002, 0040, 0010}) {
      const Grid before = g;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          if (!ink(before, y, x)) continue;
          const int code = ink(before, y + 1, x + 1) | ink(before, y + 1, x) << 1 |
                           ink(before, y + 1, x - 1) << 2 | ink(before, y, x + 1) << 3 | 1 << 4 |
                           ink(before, y, x - 1) << 5 | ink(before, y - 1, x + 1) << 6 |
                           ink(before, y - 1, x) << 7 | ink(before, y - 1, x - 1) << 8;
          if ((code & side) == 0 && Deletable(code)) g[size_t(y)][size_t(x)] = false, ++removed;
        }
    }
  }
  return g;
}

HGLOBAL FromGrid(const Grid& g) {
  const int h = int(g.size()), w = int(g[0].size());
  return MakeTrueColor(w, h, [&](int x, int y) {
    return g[size_t(h - 1 - y)][size_t(x)] ? RgbColor{0, 0, 0} : RgbColor{255, 255, 255};
  });
}

Grid ToGrid(HGLOBAL dib) {
  View v(dib);
  Grid g(size_t(v.height()), std::vector<bool>(size_t(v.width())));
  for (int r = 0; r < v.height(); ++r)
    for (int x = 0; x < v.width(); ++x) {
      const RgbColor c = v.rgb(x, v.height() - 1 - r);
      EXPECT_TRUE(c == (RgbColor{0, 0, 0}) || c == (RgbColor{255, 255, 255}));
      g[size_t(r)][size_t(x)] = c.blue == 0;
    }
  return g;
}

Grid Blank(int w, int h) { return Grid(size_t(h), std::vector<bool>(size_t(w))); }

class RecordingWindow : public CWnd {
 public:
  LRESULT SendMessage(UINT, WPARAM, LPARAM) override {
    ++messages;
    if (abortAfter > 0 && messages >= abortAfter) CPics::m_bAbort = 1;
    return 0;
  }
  int messages = 0;
  int abortAfter = 0;
};

}  // namespace

TEST(ThinImage, SolidSquareBecomesThreePixelsOfItsMiddleRow) {
  Grid g = Blank(9, 9);
  for (int y = 2; y <= 6; ++y)
    for (int x = 2; x <= 6; ++x) g[size_t(y)][size_t(x)] = true;
  Dib dib(FromGrid(g));
  ASSERT_EQ(CPics::ThinImage(dib.slot(), 10), 1);
  Grid expected = Blank(9, 9);
  expected[4][3] = expected[4][4] = expected[4][5] = true;
  EXPECT_EQ(ToGrid(dib.get()), expected);
}

TEST(ThinImage, OnePixelLinesStayAndZeroPassesOnlyExpand) {
  Grid g = Blank(11, 5);
  for (int x = 2; x < 9; ++x) g[2][size_t(x)] = true;
  Dib line(FromGrid(g));
  ASSERT_EQ(CPics::ThinImage(line.slot(), 5), 1);
  EXPECT_EQ(ToGrid(line.get()), g);

  std::vector<RgbColor> palette(256, RgbColor{255, 255, 255});
  palette[0] = {0, 0, 0};
  Dib indexed(MakeDib(4, 4, 8, palette));  // all index 0: a solid black picture
  ASSERT_EQ(CPics::ThinImage(indexed.slot(), 0), 1);
  View v(indexed.get());
  EXPECT_EQ(v.bits(), 24);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(v.rgb(x, y), (RgbColor{0, 0, 0}));
}

TEST(ThinImage, StrokesOnTheLeftEdgeAreJudgedByTheirOwnColumn) {
  // Column 0 has no left neighbour; its pixels must still be judged by their
  // own neighbourhood, not by the column beside them.
  Grid g = Blank(7, 9);
  for (int y = 1; y <= 7; ++y) g[size_t(y)][0] = g[size_t(y)][1] = true;
  for (int x = 2; x <= 5; ++x) g[4][size_t(x)] = true;
  g[2][2] = true;
  Dib dib(FromGrid(g));
  ASSERT_EQ(CPics::ThinImage(dib.slot(), 5), 1);
  EXPECT_EQ(ToGrid(dib.get()), ReferenceThin(g, 5));
}

TEST(ThinImage, RandomBlobsMatchTheDirectNeighbourhoodRule) {
  uint32_t seed = 99;
  auto next = [&] { return seed = seed * 1664525 + 1013904223; };
  for (int round = 0; round < 40; ++round) {
    const int w = 1 + int(next() >> 28), h = 1 + int(next() >> 28);
    Grid g = Blank(w, h);
    // Rectangles, so there is something thick to thin, plus speckle.
    for (int k = 0; k < 3; ++k) {
      const int x0 = int(next() % uint32_t(w)), y0 = int(next() % uint32_t(h));
      const int x1 = std::min(w, x0 + 1 + int(next() % 6)),
                y1 = std::min(h, y0 + 1 + int(next() % 6));
      for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) g[size_t(y)][size_t(x)] = true;
    }
    for (auto& row : g)
      for (size_t x = 0; x < row.size(); ++x)
        if ((next() >> 29) == 0) row[x] = !row[x];
    const int passes = 1 + int(next() % 4);
    Dib dib(FromGrid(g));
    ASSERT_EQ(CPics::ThinImage(dib.slot(), passes), 1);
    EXPECT_EQ(ToGrid(dib.get()), ReferenceThin(g, passes))
        << "round " << round << " " << w << "x" << h;
  }
}

TEST(ThinImage, ProgressCountsRowsAndLastRowColumnsAndAbortStops) {
  Grid g = Blank(8, 6);
  for (int y = 1; y < 5; ++y)
    for (int x = 1; x < 7; ++x) g[size_t(y)][size_t(x)] = true;
  RecordingWindow window;
  CPics::SetProgressDlg(&window, 1, 0, 100);
  Dib dib(FromGrid(g));
  ASSERT_EQ(CPics::ThinImage(dib.slot(), 1), 1);
  EXPECT_EQ(CPics::m_total, (6 + 8) * 4);
  EXPECT_EQ(window.messages, 4 * (5 + 8));  // (height - 1) rows and width columns a sub-pass

  RecordingWindow aborting;
  aborting.abortAfter = 1;
  CPics::SetProgressDlg(&aborting, 1, 0, 100);
  Dib untouched(FromGrid(g));
  EXPECT_EQ(CPics::ThinImage(untouched.slot(), 3), 1);
  EXPECT_EQ(aborting.messages, 1);
  EXPECT_EQ(ToGrid(untouched.get()), g);

  CPics::SetProgressDlg(&window, 1, 0, 100);
  Dib many(FromGrid(g));
  ASSERT_EQ(CPics::ThinImage(many.slot(), 20), 1);
  EXPECT_EQ(CPics::m_total, (6 + 8) * 50);
  CPics::SetProgressDlg(nullptr, 0, 0, 0);
}

TEST(ColorSelection, ToleranceZeroKeepsExactColoursOnly) {
  const RgbColor colours[4] = {{255, 0, 0}, {250, 5, 5}, {0, 0, 255}, {240, 10, 10}};
  auto run = [&](int tolerance) {
    Dib dib(MakeTrueColor(4, 1, [&](int x, int) { return colours[x]; }));
    COLORREF keep[1] = {RGB(255, 0, 0)};
    EXPECT_EQ(CPics::ColorSelection(dib.slot(), RGB(1, 2, 3), keep, 1, tolerance), 1);
    View v(dib.get());
    std::vector<RgbColor> out;
    for (int x = 0; x < 4; ++x) out.push_back(v.rgb(x, 0));
    return out;
  };
  const RgbColor painted{1, 2, 3};
  EXPECT_EQ(run(0), (std::vector<RgbColor>{colours[0], painted, painted, painted}));
  // (250, 5, 5) is at distance squared 75, within 10^2; (240, 10, 10) at 425 is not.
  EXPECT_EQ(run(10), (std::vector<RgbColor>{colours[0], colours[1], painted, painted}));
}

TEST(ColorSelection, EmptyListIsRefusedAndPalettesExpand) {
  std::vector<RgbColor> palette(256, RgbColor{0, 0, 255});
  Dib dib(MakeDib(2, 2, 8, palette));
  COLORREF keep[2] = {RGB(9, 9, 9), RGB(0, 0, 255)};
  EXPECT_EQ(CPics::ColorSelection(dib.slot(), 0, keep, 0, 0), 0);
  EXPECT_EQ(View(dib.get()).bits(), 8);
  ASSERT_EQ(CPics::ColorSelection(dib.slot(), 0, keep, 2, 0), 1);
  View v(dib.get());
  EXPECT_EQ(v.bits(), 24);
  EXPECT_EQ(v.rgb(1, 1), (RgbColor{0, 0, 255}));
}

TEST(ContourDetection, ThresholdModeUsesPercentOfFullScale) {
  // 50 percent is threshold 127: grey 126 turns black, 127 white.
  Dib dib(MakeTrueColor(5, 1, [](int x, int) {
    return x == 2 ? RgbColor{126, 126, 126} : RgbColor{127, 127, 127};
  }));
  ASSERT_EQ(CPics::ContourDetection(dib.slot(), 0, 50, 1, 3), 1);
  View v(dib.get());
  EXPECT_EQ(v.bits(), 24);
  for (int x = 0; x < 5; ++x) EXPECT_EQ(v.rgb(x, 0).blue, x == 2 ? 0 : 255) << x;
}

TEST(ContourDetection, EdgeModeOutlinesAFilledSquare) {
  Dib dib(MakeTrueColor(16, 16, [](int x, int y) {
    return (x >= 4 && x < 12 && y >= 4 && y < 12) ? RgbColor{0, 0, 0} : RgbColor{255, 255, 255};
  }));
  ASSERT_EQ(CPics::ContourDetection(dib.slot(), 0, 50, 0, 5), 1);
  View v(dib.get());
  int ink = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) ink += v.rgb(x, y).blue == 0;
  EXPECT_GT(ink, 0);
  EXPECT_EQ(v.rgb(0, 0).blue, 255);  // far from the edge: white
  EXPECT_EQ(v.rgb(8, 8).blue, 255);  // inside the square: no edge either
}

TEST(ContourDetection, ProgressStagesAndAbortGiveZero) {
  RecordingWindow window;
  CPics::SetProgressDlg(&window, 1, 0, 100);
  Dib dib(MakeTrueColor(6, 6, [](int x, int) {
    return x < 3 ? RgbColor{0, 0, 0} : RgbColor{255, 255, 255};
  }));
  ASSERT_EQ(CPics::ContourDetection(dib.slot(), 1, 50, 0, 2), 1);
  // Expansion and posterising end fixed stages of 5; the filter stage takes 40 % of the rest.
  EXPECT_EQ(CPics::m_partdone, 5 + 5 + int(0.4 * 90));

  RecordingWindow aborting;
  aborting.abortAfter = 4;
  CPics::SetProgressDlg(&aborting, 1, 0, 100);
  Dib stopped(MakeTrueColor(6, 6, [](int, int) { return RgbColor{0, 0, 0}; }));
  EXPECT_EQ(CPics::ContourDetection(stopped.slot(), 0, 50, 0, 2), 0);
  CPics::SetProgressDlg(nullptr, 0, 0, 0);
}
