// Tracing dark strokes into polylines: BeginAutoTrace, both GetNextLine forms
// and EndAutoTrace.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "Pics.h"
#include "processing_dibs.h"

using namespace processing_test;

namespace {

using Pixel = std::pair<int, int>;  // column, stored row
using Line = std::vector<Pixel>;

// A white 24-bit picture with black pixels at the given (column, stored row) places.
HGLOBAL Drawing(int w, int h, const std::vector<Pixel>& ink) {
  std::set<Pixel> black(ink.begin(), ink.end());
  return MakeTrueColor(w, h, [&](int x, int y) {
    return black.count({x, h - 1 - y}) ? RgbColor{0, 0, 0} : RgbColor{255, 255, 255};
  });
}

std::vector<Pixel> Stroke(Pixel from, Pixel to) {
  std::vector<Pixel> out;
  const int dx = (to.first > from.first) - (to.first < from.first),
            dy = (to.second > from.second) - (to.second < from.second);
  for (Pixel p = from;; p.first += dx, p.second += dy) {
    out.push_back(p);
    if (p == to) break;
  }
  return out;
}

std::vector<Pixel> Join(std::initializer_list<std::vector<Pixel>> parts) {
  std::vector<Pixel> out;
  for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// Every polyline of the active trace through the integer form.
std::vector<Line> AllLines(int maxCount = 64) {
  std::vector<Line> lines;
  std::vector<POINT> points(size_t(maxCount) + 1);
  int count = -1;
  while (CPics::GetNextLine(points.data(), &count, maxCount)) {
    Line line;
    for (int i = 0; i < count; ++i) line.push_back({points[size_t(i)].x, points[size_t(i)].y});
    lines.push_back(line);
    if (lines.size() > 1000) break;
  }
  EXPECT_EQ(count, 0);
  return lines;
}

std::vector<Line> Trace(HGLOBAL dib, int minLineSize = 0, int maxCount = 64) {
  EXPECT_EQ(CPics::BeginAutoTrace(dib, -1, 0, minLineSize, 0, 0), 1);
  auto lines = AllLines(maxCount);
  CPics::EndAutoTrace();
  return lines;
}

}  // namespace

TEST(AutoTrace, WhitePictureHasNoLines) {
  Dib dib(Drawing(8, 8, {}));
  ASSERT_EQ(CPics::BeginAutoTrace(dib.get(), -1, 0, 0, 0, 0), 1);
  POINT points[4];
  int count = 7;
  EXPECT_EQ(CPics::GetNextLine(points, &count, 4), 0);
  EXPECT_EQ(count, 0);
  CPics::EndAutoTrace();
  EXPECT_EQ(CPics::GetNextLine(points, &count, 4), 0);  // no trace active
  CPics::EndAutoTrace();                                // harmless twice
}

TEST(AutoTrace, StraightLineGivesItsTwoEnds) {
  Dib dib(Drawing(14, 5, Stroke({2, 3}, {11, 3})));
  EXPECT_EQ(Trace(dib.get()), (std::vector<Line>{{{2, 3}, {11, 3}}}));
}

TEST(AutoTrace, LShapeFromAnEndHasItsCornerAndFromTheCornerSplits) {
  Dib fromEnd(Drawing(10, 9, Join({Stroke({2, 2}, {2, 6}), Stroke({3, 6}, {7, 6})})));
  EXPECT_EQ(Trace(fromEnd.get()), (std::vector<Line>{{{2, 2}, {2, 6}, {7, 6}}}));

  Dib fromCorner(Drawing(10, 9, Join({Stroke({2, 2}, {2, 6}), Stroke({3, 2}, {7, 2})})));
  EXPECT_EQ(Trace(fromCorner.get()), (std::vector<Line>{{{2, 2}, {7, 2}}, {{2, 3}, {2, 6}}}));
}

TEST(AutoTrace, FilledRectangleIsTracedAlongItsOutline) {
  std::vector<Pixel> block;
  for (int x = 2; x <= 8; ++x)
    for (int y = 1; y <= 5; ++y) block.push_back({x, y});
  Dib dib(Drawing(11, 7, block));
  const auto lines = Trace(dib.get());
  ASSERT_FALSE(lines.empty());
  std::set<Pixel> covered;
  for (const Line& line : lines) {
    covered.insert(line.front());
    for (size_t i = 1; i < line.size(); ++i)
      for (Pixel p : Stroke(line[i - 1], line[i])) covered.insert(p);
  }
  for (Pixel p : covered) {
    const bool onOutline = p.first == 2 || p.first == 8 || p.second == 1 || p.second == 5;
    EXPECT_TRUE(onOutline) << p.first << "," << p.second;
  }
  EXPECT_EQ(covered.size(), 2u * 7 + 2 * 3);
}

TEST(AutoTrace, MaximumCountCutsLinesAtTheirCorners) {
  Dib dib(Drawing(9, 8,
                  Join({Stroke({1, 1}, {1, 5}), Stroke({2, 5}, {6, 5}), Stroke({6, 4}, {6, 1})})));
  EXPECT_EQ(Trace(dib.get(), 0, 2),
            (std::vector<Line>{{{1, 1}, {1, 5}}, {{2, 5}, {6, 5}}, {{6, 4}, {6, 1}}}));
  // One point at a time still gets through the whole stroke.
  Dib single(Drawing(9, 8, Stroke({1, 1}, {1, 5})));
  const auto points = Trace(single.get(), 0, 1);
  EXPECT_EQ(points.front(), (Line{{1, 1}}));
  EXPECT_GE(points.size(), 1u);
}

TEST(AutoTrace, ShortLinesAreDropped) {
  Dib dib(Drawing(
      20, 10,
      Join({Stroke({1, 1}, {1, 5}), Stroke({4, 1}, {7, 4}), {{10, 3}}, Stroke({12, 2}, {17, 2})})));
  // Five-pixel runs go; the six-pixel line stays.
  EXPECT_EQ(Trace(dib.get(), 5), (std::vector<Line>{{{12, 2}, {17, 2}}}));
  EXPECT_EQ(Trace(dib.get(), 0).size(), 4u);
}

TEST(AutoTrace, RectangleMappingAndCornerMerging) {
  Dib line(Drawing(8, 4, Stroke({3, 0}, {6, 0})));
  ASSERT_EQ(CPics::BeginAutoTrace(line.get(), -1, 0, 0, 0, 0), 1);
  float xs[8], ys[8];
  int count = 0;
  RECT rect{10, 20, 26, 28};  // twice the picture's size
  ASSERT_EQ(CPics::GetNextLine(xs, ys, &count, 8, &rect, 0), 1);
  ASSERT_EQ(count, 2);
  EXPECT_FLOAT_EQ(xs[0], 16);
  EXPECT_FLOAT_EQ(ys[0], 28);
  EXPECT_FLOAT_EQ(xs[1], 22);
  EXPECT_FLOAT_EQ(ys[1], 28);
  CPics::EndAutoTrace();

  const std::vector<Pixel> stairs = {{0, 0}, {1, 0}, {1, 1}, {2, 1}, {2, 2}, {3, 2}};
  auto traced = [&](int merge) {
    Dib dib(Drawing(6, 5, stairs));
    EXPECT_EQ(CPics::BeginAutoTrace(dib.get(), -1, 0, 0, 0, 0), 1);
    int n = 0;
    EXPECT_EQ(CPics::GetNextLine(xs, ys, &n, 8, nullptr, merge), 1);
    std::vector<std::pair<float, float>> out;
    for (int i = 0; i < n; ++i) out.push_back({xs[i], ys[i]});
    CPics::EndAutoTrace();
    return out;
  };
  using V = std::vector<std::pair<float, float>>;
  EXPECT_EQ(traced(0), (V{{0, 0}, {1, 0}, {1, 1}, {2, 1}, {2, 2}, {3, 2}}));
  EXPECT_EQ(traced(2), (V{{0, 0}, {1, 0.5f}, {2, 1.5f}, {3, 2}}));
}

TEST(AutoTrace, BeginLeavesTheCallersPictureAndReplacesAnEarlierTrace) {
  std::vector<Pixel> block;
  for (int x = 2; x <= 8; ++x)
    for (int y = 2; y <= 6; ++y) block.push_back({x, y});
  Dib dib(Drawing(12, 9, block));
  const size_t size = GlobalSize(dib.get());
  std::vector<BYTE> before(size);
  std::memcpy(before.data(), GlobalLock(dib.get()), size);
  GlobalUnlock(dib.get());

  ASSERT_EQ(CPics::BeginAutoTrace(dib.get(), 0, 50, 0, 1, 10), 1);  // threshold and thin first
  Dib other(Drawing(14, 5, Stroke({2, 3}, {11, 3})));
  ASSERT_EQ(CPics::BeginAutoTrace(other.get(), -1, 0, 0, 0, 0), 1);
  EXPECT_EQ(AllLines(), (std::vector<Line>{{{2, 3}, {11, 3}}}));
  CPics::EndAutoTrace();

  EXPECT_EQ(std::memcmp(before.data(), GlobalLock(dib.get()), size), 0);
  GlobalUnlock(dib.get());
}

TEST(AutoTrace, BadArgumentsAreRefused) {
  EXPECT_EQ(CPics::BeginAutoTrace(nullptr, -1, 0, 0, 0, 0), 0);
  EXPECT_EQ(CPics::m_pAutoTrace, nullptr);
  Dib dib(Drawing(5, 5, Stroke({0, 0}, {4, 4})));
  ASSERT_EQ(CPics::BeginAutoTrace(dib.get(), -1, 0, 0, 0, 0), 1);
  POINT points[2];
  int count = 5;
  EXPECT_EQ(CPics::GetNextLine(points, &count, 0), 0);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(CPics::GetNextLine(nullptr, &count, 2), 0);
  ASSERT_EQ(CPics::GetNextLine(points, &count, 2), 1);  // the diagonal is still there
  EXPECT_EQ(points[1].x, 4);
  CPics::EndAutoTrace();
}
