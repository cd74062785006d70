#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "Pics.h"
#include "graphics/processing/geometry_ops.h"
#include "graphics/processing/progress_reporter.h"
#include "processing_dibs.h"

using graphics::ProgressLoop;

namespace {

// A host window that records what it was sent and can ask for an abort.
class RecordingWindow : public CWnd {
 public:
  LRESULT SendMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    EXPECT_EQ(message, WM_COMMAND);
    EXPECT_EQ(lParam, 0);
    commands.push_back(wParam);
    progressSeen.push_back(CPics::m_progress);
    if (abortAfter > 0 && int(commands.size()) >= abortAfter) CPics::m_bAbort = 1;
    return 0;
  }
  std::vector<WPARAM> commands;
  std::vector<int> progressSeen;
  int abortAfter = 0;
};

}  // namespace

TEST(ProgressReporting, SetProgressDlgResetsCountersAndKeepsNegativePartDone) {
  RecordingWindow window;
  CPics::m_bAbort = 1, CPics::m_progress = 7, CPics::m_total = 9, CPics::m_togo = 3;
  CPics::SetProgressDlg(&window, 4711, 20, 300);
  EXPECT_EQ(CPics::m_pProgressDlg, &window);
  EXPECT_EQ(CPics::m_progressCmd, 4711u);
  EXPECT_EQ(CPics::m_bAbort, 0);
  EXPECT_EQ(CPics::m_progress, 0);
  EXPECT_EQ(CPics::m_total, 0);
  EXPECT_EQ(CPics::m_togo, 0);
  EXPECT_EQ(CPics::m_partdone, 20);
  EXPECT_EQ(CPics::m_partend, 300);
  CPics::SetProgressDlg(&window, 1, -1, 400);
  EXPECT_EQ(CPics::m_partdone, 20);
  EXPECT_EQ(CPics::m_partend, 400);
  CPics::SetProgressDlg(nullptr, 0, 0, 0);
}

TEST(ProgressReporting, EachUnitSendsOneCommandUntilTheLimit) {
  RecordingWindow window;
  CPics::SetProgressDlg(&window, 99, 0, 100);
  ProgressLoop loop(3);
  for (int unit = 0; unit <= 3; ++unit) EXPECT_TRUE(loop.Step(unit));
  EXPECT_EQ(window.commands, (std::vector<WPARAM>{99, 99, 99}));
  EXPECT_EQ(window.progressSeen, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(CPics::m_progress, 3);
  CPics::SetProgressDlg(nullptr, 0, 0, 0);
}

TEST(ProgressReporting, WindowAbortStopsTheLoopAfterItsMessage) {
  RecordingWindow window;
  window.abortAfter = 2;
  CPics::SetProgressDlg(&window, 5, 0, 100);
  ProgressLoop loop(10);
  int done = 0;
  for (int unit = 0; unit < 10; ++unit, ++done)
    if (!loop.Step(unit)) break;
  EXPECT_EQ(done, 1);
  EXPECT_EQ(window.commands.size(), 2u);
  CPics::SetProgressDlg(nullptr, 0, 0, 0);
  EXPECT_EQ(CPics::m_bAbort, 0);
}

TEST(ProgressReporting, StagesAdvanceTheOverallShare) {
  RecordingWindow window;
  CPics::SetProgressDlg(&window, 8, 10, 250);
  EXPECT_EQ(ProgressLoop::FixedStageShare(), 15);
  ProgressLoop::EndStage(ProgressLoop::FixedStageShare());
  EXPECT_EQ(CPics::m_partdone, 25);
  EXPECT_EQ(CPics::m_togo, 225);
  EXPECT_EQ(CPics::m_progress, 0);
  EXPECT_EQ(CPics::m_total, 100);
  EXPECT_EQ(window.commands.size(), 1u);
  CPics::SetProgressDlg(nullptr, 0, 0, 0);
}

TEST(ProgressReporting, WithoutAWindowNothingIsSentButAbortStillCounts) {
  CPics::SetProgressDlg(nullptr, 3, 0, 100);
  ProgressLoop loop(5);
  EXPECT_TRUE(loop.Step(0));
  CPics::m_bAbort = 1;
  EXPECT_FALSE(loop.Step(1));
  CPics::SetProgressDlg(nullptr, 0, 0, 0);
}

TEST(ProgressReporting, RotationsReportAndAnAbortLeavesThePictureAsItWas) {
  const std::function<int(HGLOBAL*)> turns[] = {
      [](HGLOBAL* h) { return graphics::RotateByAngle(h, 30); },
      [](HGLOBAL* h) { return graphics::RotateQuarterTurn(h, true); },
  };
  for (const auto& turn : turns) {
    processing_test::Dib dib(processing_test::MakeTrueColor(300, 200, [](int x, int y) {
      return graphics::RgbColor{uint8_t(x), uint8_t(y), 7};
    }));
    RecordingWindow window;
    CPics::SetProgressDlg(&window, 12, 0, 100);
    ASSERT_EQ(turn(dib.slot()), 1);
    EXPECT_GE(window.commands.size(), 3u);
    // Asked to stop at the first message: nothing changes.
    processing_test::Dib again(processing_test::MakeTrueColor(300, 200, [](int x, int y) {
      return graphics::RgbColor{uint8_t(x), uint8_t(y), 7};
    }));
    const std::size_t size = GlobalSize(again.get());
    RecordingWindow stopping;
    stopping.abortAfter = 1;
    CPics::SetProgressDlg(&stopping, 12, 0, 100);
    EXPECT_EQ(turn(again.slot()), 0);
    EXPECT_EQ(GlobalSize(again.get()), size);
    CPics::SetProgressDlg(nullptr, 0, 0, 0);
  }
}
