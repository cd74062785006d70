#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "test_servers.h"
#include "tidewell/app/progress_window.h"

using namespace tidewell;

namespace {

struct GuiApplication {
  GuiApplication() { tidewell_test::EnsureGuiApplication(); }
};

struct Shown : GuiApplication {
  std::shared_ptr<ProgressFields> fields = std::make_shared<ProgressFields>();
  ProgressWindow window{fields};

  Shown() {
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
  }
  QString Text(const char* id) { return window.findChild<QLabel*>(id)->text(); }
  int Bar() { return window.findChild<QProgressBar*>("1042")->value(); }
};

}  // namespace

TEST(ProgressWindow, ShowsPercentOfKnownTotal) {
  Shown w;
  EXPECT_FALSE(w.fields->notShownYet());
  w.fields->total = 2048;
  w.fields->done = 1024;
  w.fields->SetAddressText("http://127.0.0.1/file.bin");
  // The window's own timer picks the fields up.
  EXPECT_TRUE(QTest::qWaitFor([&] { return w.Text("1062") == "50 % of 2.00 K"; }, 1000));
  EXPECT_EQ(w.Bar(), 50);
  EXPECT_EQ(w.Text("1041"), "http://127.0.0.1/file.bin");
  EXPECT_EQ(w.Text("1074"), "Reading from:");

  QDir().mkpath(BUILD_DIR "/screenshots");
  EXPECT_TRUE(w.window.grab().save(BUILD_DIR "/screenshots/progress_window.png"));
}

TEST(ProgressWindow, ShowsBytesReadWhenTotalUnknown) {
  Shown w;
  w.fields->total = 0;
  w.fields->done = 1536;
  w.window.Tick();
  EXPECT_EQ(w.Text("1062"), "1.50 K Read");
  EXPECT_EQ(w.Bar(), 0);
}

TEST(ProgressWindow, WatchedFileThatDoesNotExistCountsAsUnknownTotal) {
  tidewell_test::ScratchFolder scratch;
  Shown w;
  w.fields->total = 4096;
  w.fields->done = 2048;
  w.fields->SetWatchedPath(scratch / "not-yet");
  w.fields->watchFile = true;
  w.window.Tick();
  EXPECT_EQ(w.Text("1062"), "2.00 K Read");
  EXPECT_EQ(w.Bar(), 0);

  tidewell_test::WriteWholeFile(scratch / "not-yet", std::string(3072, 'x'));
  w.window.Tick();
  EXPECT_EQ(w.Text("1062"), "75 % of 4.00 K");
  EXPECT_EQ(w.Bar(), 75);
}

TEST(ProgressWindow, HiddenBarAndCancelEndsTheWindow) {
  Shown w;
  w.fields->showBar = false;
  w.window.Tick();
  EXPECT_FALSE(w.window.findChild<QProgressBar*>("1042")->isVisible());
  EXPECT_FALSE(w.window.findChild<QLabel*>("1062")->isVisible());

  QSignalSpy finished(&w.window, &QDialog::finished);
  QTest::mouseClick(w.window.findChild<QPushButton*>("2"), Qt::LeftButton);
  EXPECT_EQ(finished.count(), 1);
  EXPECT_FALSE(w.window.isVisible());
}

TEST(FormatProgress, LargeFilesNeitherWrapNorOverflowTheBar) {
  // 100 MB of 200 MB: done * 100 does not fit 32 bits.
  const auto half = FormatProgress(100ull << 20, 200ull << 20);
  EXPECT_EQ(half.percent, 50);
  EXPECT_EQ(half.text, "50 % of 204800.00 K");
  // More received than announced stays at a full bar.
  EXPECT_EQ(FormatProgress(5000, 4096).percent, 100);
}
