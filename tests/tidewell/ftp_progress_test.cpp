// FTP jobs with their progress window: what it shows, and its Cancel ending the job.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <thread>
#include <filesystem>

#include "ftp_test_support.h"
#include "tidewell/transfer/overwrite_answer.h"
#include "tidewell/app/progress_window.h"

namespace {

using namespace tidewell_test;
namespace fs = std::filesystem;

tidewell::ProgressWindow* VisibleProgressWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* window = qobject_cast<tidewell::ProgressWindow*>(widget);
        window && window->isVisible())
      return window;
  }
  return nullptr;
}

class FtpProgress : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureGuiApplication();
    fs::create_directories(root / "pub");
    server = StartFtpServer(root.path());
    ASSERT_NE(server, nullptr);
    const std::string block(1 << 20, 'u');
    for (int i = 0; i < 30; ++i) {
      const std::string number = std::to_string(i);
      locals.push_back(local.path() + "f" + number);
      WriteWholeFile(locals.back(), block);
      remotes.push_back(std::string("set/f").append(number).append(".dat"));
    }
  }
  // Runs the event loop until the job ends; `onWindow` sees the progress window once.
  template <typename OnWindow>
  tidewell::FtpJobResult Run(tidewell::FtpJob job, OnWindow onWindow) {
    QWidget owner;
    job.window = &owner;
    job.showProgress = true;
    auto handle = tidewell::StartFtpUpload(std::move(job));
    bool seen = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!handle->finished() && std::chrono::steady_clock::now() < deadline) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      if (tidewell::ProgressWindow* window = VisibleProgressWindow(); window && !seen) {
        seen = true;
        onWindow(*window);
      }
    }
    EXPECT_TRUE(seen);
    EXPECT_TRUE(handle->Wait(std::chrono::seconds(10)));
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(VisibleProgressWindow(), nullptr);  // closed at the end
    return handle->result();
  }

  ScratchFolder root, local;
  std::unique_ptr<ServerProcess> server;
  FtpJobRecorder recorder;
  std::vector<std::string> locals, remotes;
};

TEST_F(FtpProgress, WindowShowsTheServerAddressWhileWriting) {
  // The first file already exists: its question holds the job until the window is up,
  // so that the later files are sent with the window on screen.
  fs::create_directories(root / "pub/set");
  WriteWholeFile(root / "pub/set/f0.dat", "old");
  std::atomic<bool> windowSeen{false};
  auto job = recorder.MakeJob(SiteOf(*server), "/pub");
  job.localPaths = locals;
  job.remotePaths = remotes;
  job.packFirst = job.packSecond = false;
  job.askOverwriteQuestion = [&windowSeen](const std::string&) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!windowSeen && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return static_cast<int>(tidewell::kOverwriteYesToAll);
  };
  std::string address;
  const auto result = Run(job, [&](tidewell::ProgressWindow& shown) {
    windowSeen = true;
    QPointer<tidewell::ProgressWindow> window(&shown);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (window && std::chrono::steady_clock::now() < deadline) {
      address = window->fields().addressText();
      if (address.find("/pub/set/") != std::string::npos) break;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
  });
  EXPECT_TRUE(result.ok()) << result.report;
  EXPECT_EQ(address.rfind("ftp://" + SiteOf(*server) + "/pub/set/f", 0), 0u) << address;
  EXPECT_EQ(ReadWholeFile(root / "pub/set/f29.dat").size(), size_t{1} << 20);
}

TEST_F(FtpProgress, CancelInTheWindowEndsTheJobWithoutAMessage) {
  auto job = recorder.MakeJob(SiteOf(*server), "/pub");
  job.localPaths = locals;
  job.remotePaths = remotes;
  const auto result = Run(job, [](tidewell::ProgressWindow& window) {
    // Clicked from the event loop, as a user's click arrives.
    QMetaObject::invokeMethod(window.findChild<QPushButton*>(QStringLiteral("2")), "click",
                              Qt::QueuedConnection);
  });
  EXPECT_EQ(result.code, 3);
  EXPECT_TRUE(recorder.messages.empty());
  EXPECT_FALSE(fs::exists(root / "pub/set/f29.dat"));
}

}  // namespace
