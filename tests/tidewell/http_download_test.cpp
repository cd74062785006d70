#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "test_servers.h"
#include "tidewell/packing/pack_file.h"
#include "tidewell/platform/file_status.h"
#include "tidewell/transfer/http_date.h"
#include "tidewell/transfer/http_download.h"
#include "tidewell/transfer/internet_session.h"
#include "tidewell/app/progress_window.h"
#include "tidewell/transfer/transfer_log.h"
#include "tidewell/transfer/window_message.h"
#include "tidewell/trust/file_hash.h"

using namespace tidewell;
using namespace tidewell_test;

namespace {

const char kPassPhrase[] = "tide and well";

std::string Pattern(size_t n, size_t start = 0) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((start + i) % 251);
  return s;
}

class MessageRecorder : public MessageReceiver {
 public:
  struct Message {
    unsigned message;
    uintptr_t wParam;
    intptr_t lParam;
  };
  std::vector<Message> messages;

 protected:
  void OnWindowMessage(unsigned message, uintptr_t wParam, intptr_t lParam) override {
    messages.push_back({message, wParam, lParam});
  }
};

struct JobOptions {
  bool onlyIfNewer = false;
  bool showProgress = false;
  bool decrypt = false;
  bool uncompress = false;
  std::vector<TransferLimits> limits;
  // Runs on the test's thread while the job is under way.
  std::function<void()> whileRunning;
};

struct JobResult {
  bool posted = false;
  unsigned message = 0;
  uintptr_t flag = 99;
  intptr_t lParam = 99;
  size_t postedCount = 0;
  std::string out;
  std::string err;
};

JobResult RunJob(std::vector<std::string> urls, std::vector<std::string> paths,
                 const JobOptions& options = {}) {
  EnsureGuiApplication();
  MessageRecorder window;
  JobResult result;
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  auto job = StartHttpDownload(std::move(urls), std::move(paths), &window, options.onlyIfNewer,
                               options.showProgress, WM_FILES_FETCHED, options.decrypt,
                               options.uncompress, kPassPhrase, options.limits);
  if (options.whileRunning) options.whileRunning();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !window.messages.empty(); }, 60000));
  job->Wait(std::chrono::seconds(5));
  QCoreApplication::processEvents();
  result.out = ::testing::internal::GetCapturedStdout();
  result.err = ::testing::internal::GetCapturedStderr();
  result.postedCount = window.messages.size();
  if (!window.messages.empty()) {
    result.posted = true;
    result.message = window.messages.front().message;
    result.flag = window.messages.front().wParam;
    result.lParam = window.messages.front().lParam;
  }
  return result;
}

// The trace as written: every line is preceded by an empty one.
std::vector<std::string> TraceLines(const std::string& out) {
  std::vector<std::string> lines;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

// Written out step by step: GCC 12 warns wrongly about short literal + string.
std::string Numbered(const char* prefix, int i) {
  std::string name(prefix);
  name += std::to_string(i);
  return name;
}

std::string Line(const std::string& word, const std::string& what) {
  return "---------  " + word + "  " + what + "  ---------";
}

int64_t ServerDateAsLocal() {
  return *CalendarTimeAsLocal(*ParseHttpDate("Wed, 21 Oct 2015 07:28:00 GMT"));
}

class HttpDownload : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("NO_PROXY", "127.0.0.1,localhost", 1);
    SetTraceOutput(stdout);  // keeps the trace apart from the error lines
    server_ = StartHttpTestServer(scratch_.path());
    ASSERT_TRUE(server_) << "test server did not start";
  }
  std::string Url(const std::string& path) const { return server_->Url(path); }

  ScratchFolder scratch_;
  std::unique_ptr<ServerProcess> server_;
  void TearDown() override { SetTraceOutput(stderr); }
};

}  // namespace

TEST_F(HttpDownload, SingleFileIsStoredTracedAndStamped) {
  const std::string url = Url("/pattern/5000");
  const std::string path = scratch_ / "one.bin";
  const JobResult r = RunJob({url}, {path});

  ASSERT_TRUE(r.posted);
  EXPECT_EQ(r.message, WM_FILES_FETCHED);
  EXPECT_EQ(r.flag, 1u);
  EXPECT_EQ(r.lParam, 0);
  EXPECT_EQ(r.postedCount, 1u);
  EXPECT_TRUE(ReadWholeFile(path) == Pattern(5000));
  EXPECT_EQ(r.out, "\n---------  " + url + "  modified 10/21/2015 07:28:00\n\n" +
                       Line("BEGIN", url) + "\n\n" + Line("END", url) + "\n");
  EXPECT_EQ(r.err, "");

  const auto status = GetFileStatus(path);
  ASSERT_TRUE(status);
  EXPECT_EQ(status->modified, ServerDateAsLocal());
  EXPECT_EQ(status->created, ServerDateAsLocal());
}

TEST_F(HttpDownload, EmptyOrMismatchedListsPostFailureAndFetchNothing) {
  JobResult empty = RunJob({}, {});
  ASSERT_TRUE(empty.posted);
  EXPECT_EQ(empty.flag, 0u);
  EXPECT_EQ(empty.out, "");

  const std::string path = scratch_ / "never.bin";
  JobResult mismatch = RunJob({Url("/pattern/10"), Url("/pattern/20")}, {path});
  ASSERT_TRUE(mismatch.posted);
  EXPECT_EQ(mismatch.flag, 0u);
  EXPECT_EQ(mismatch.out, "");
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(HttpDownload, NonHttpAddressFailsAloneWhileOthersDownload) {
  const std::string good = scratch_ / "good.bin";
  const JobResult r =
      RunJob({"ftp://127.0.0.1/file.bin", Url("/pattern/3000")}, {scratch_ / "ftp.bin", good});
  ASSERT_TRUE(r.posted);
  EXPECT_EQ(r.flag, 0u);
  EXPECT_EQ(r.err, "Error: can only use URLs beginning with http:// or https://\n");
  const auto lines = TraceLines(r.out);
  EXPECT_NE(std::find(lines.begin(), lines.end(), Line("ERROR", "0")), lines.end()) << r.out;
  EXPECT_TRUE(ReadWholeFile(good) == Pattern(3000));
  EXPECT_FALSE(std::filesystem::exists(scratch_ / "ftp.bin"));
}

TEST_F(HttpDownload, NotFoundLeavesLocalFileUntouchedAndTracesNothing) {
  const std::string path = scratch_ / "kept.bin";
  WriteWholeFile(path, "keep me");
  const JobResult r = RunJob({Url("/missing")}, {path});
  ASSERT_TRUE(r.posted);
  EXPECT_EQ(r.flag, 0u);
  EXPECT_EQ(ReadWholeFile(path), "keep me");
  EXPECT_EQ(r.out, "");
}

TEST_F(HttpDownload, NeverMoreThanSixRequestsOpenAndSeventhWaitsForOne) {
  std::vector<std::string> urls, paths;
  for (int i = 0; i < 10; ++i) {
    urls.push_back(Url("/counted/" + std::to_string(i) + "?delay=0.4&size=2000"));
    paths.push_back(scratch_ / Numbered("c", i));
  }
  const JobResult r = RunJob(urls, paths);
  ASSERT_TRUE(r.posted);
  EXPECT_EQ(r.flag, 1u);

  const std::string stats = scratch_ / "stats.json";
  ASSERT_EQ(RunJob({Url("/stats")}, {stats}).flag, 1u);
  const std::string json = ReadWholeFile(stats);
  EXPECT_NE(json.find("\"max_open\": 6"), std::string::npos) << json;
  // Events are "start N" / "end N" in server order: the seventh start follows an end.
  size_t starts = 0;
  bool endSeen = false;
  for (size_t pos = json.find('"', json.find('[')); pos != std::string::npos && pos < json.size();
       pos = json.find('"', json.find('"', pos + 1) + 1)) {
    const size_t close = json.find('"', pos + 1);
    const std::string event = json.substr(pos + 1, close - pos - 1);
    if (event.rfind("start", 0) == 0) {
      ++starts;
      if (starts == 7) {
        EXPECT_TRUE(endSeen) << json;
      }
    } else if (event.rfind("end", 0) == 0) {
      endSeen = true;
    }
  }
  EXPECT_EQ(starts, 10u);
}

TEST_F(HttpDownload, OnlyIfNewerSkipsLocalFileOfSameTime) {
  const std::string path = scratch_ / "same.bin";
  WriteWholeFile(path, "local copy");
  ASSERT_TRUE(SetFileTimes(path, ServerDateAsLocal(), ServerDateAsLocal()));
  JobOptions options;
  options.onlyIfNewer = true;
  const JobResult r = RunJob({Url("/pattern/100")}, {path}, options);
  ASSERT_TRUE(r.posted);
  EXPECT_EQ(r.flag, 0u);
  EXPECT_EQ(ReadWholeFile(path), "local copy");
  EXPECT_EQ(TraceLines(r.out), std::vector<std::string>{Line("ERROR", "0")});

  // One second older: the server's copy is newer and is fetched.
  ASSERT_TRUE(SetFileTimes(path, ServerDateAsLocal() - 1, ServerDateAsLocal() - 1));
  const JobResult newer = RunJob({Url("/pattern/100")}, {path}, options);
  EXPECT_EQ(newer.flag, 1u);
  EXPECT_TRUE(ReadWholeFile(path) == Pattern(100));
}

TEST_F(HttpDownload, BodyWithoutLengthOrDateStillCompletes) {
  const std::string a = scratch_ / "nolength.bin";
  const std::string b = scratch_ / "nodate.bin";
  const JobResult r = RunJob({Url("/no-length/70000"), Url("/no-date/10")}, {a, b});
  EXPECT_EQ(r.flag, 1u);
  EXPECT_TRUE(ReadWholeFile(a) == Pattern(70000));
  EXPECT_TRUE(ReadWholeFile(b) == Pattern(10));
  // No date: no modified line for that file.
  EXPECT_EQ(r.out.find(Url("/no-date/10") + "  modified"), std::string::npos);
}

TEST_F(HttpDownload, PackedFilesAreUnpackedInPlace) {
  const std::string original = scratch_ / "plain.txt";
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "line " + std::to_string(i) + "\n";
  WriteWholeFile(original, text);
  std::string packed;
  ASSERT_TRUE(PackFile(original, true, true, kPassPhrase, packed));
  std::filesystem::rename(packed, scratch_ / "plain.tdz");

  JobOptions options;
  options.decrypt = options.uncompress = true;
  const std::string path = scratch_ / "fetched.txt";
  const JobResult r = RunJob({Url("/file/plain.tdz")}, {path}, options);
  EXPECT_EQ(r.flag, 1u) << r.out;
  EXPECT_TRUE(ReadWholeFile(path) == text);
  EXPECT_EQ(GetFileStatus(path)->modified, ServerDateAsLocal());
}

TEST_F(HttpDownload, CorruptPackedFileIsAnError) {
  JobOptions options;
  options.decrypt = options.uncompress = true;
  const std::string path = scratch_ / "corrupt.bin";
  const JobResult r = RunJob({Url("/pattern/4000")}, {path}, options);
  ASSERT_TRUE(r.posted);
  EXPECT_EQ(r.flag, 0u);
  const auto lines = TraceLines(r.out);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), Line("ERROR", "0")) << r.out;
}

TEST_F(HttpDownload, InterleavedDownloadsWriteSwitchLines) {
  const std::string a = Url("/slow/6000?chunk=500&delay=0.02");
  const std::string b = Url("/slow/6000?chunk=500&delay=0.02&x=1");
  const JobResult r = RunJob({a, b}, {scratch_ / "a", scratch_ / "b"});
  EXPECT_EQ(r.flag, 1u);
  EXPECT_TRUE(ReadWholeFile(scratch_ / "a") == Pattern(6000));

  // Whole lines only, each after an empty line.
  std::string rebuilt;
  for (const std::string& line : TraceLines(r.out)) rebuilt += "\n" + line + "\n";
  EXPECT_EQ(rebuilt, r.out);

  const std::string switchA = "---------  " + a + "  ---------";
  const std::string switchB = "---------  " + b + "  ---------";
  int switches = 0;
  std::string last;
  for (const std::string& line : TraceLines(r.out)) {
    if (line == Line("BEGIN", a) || line == Line("END", a)) {
      last = a;
    } else if (line == Line("BEGIN", b) || line == Line("END", b)) {
      last = b;
    } else if (line == switchA || line == switchB) {
      const std::string who = line == switchA ? a : b;
      EXPECT_NE(who, last) << "a switch line names the worker that wrote last";
      last = who;
      ++switches;
    }
  }
  EXPECT_GE(switches, 2) << r.out;
}

TEST_F(HttpDownload, BadInputEndsOnlyItsOwnWorker) {
  SetDefaultInternetTimeouts({std::chrono::milliseconds(2000), std::chrono::milliseconds(1000)});
  const std::string good = scratch_ / "good.bin";
  const std::vector<std::string> urls = {
      "http://",                                                    // 0 malformed
      "http://127.0.0.1:99999/x",                                   // 1 bad port
      "not an address",                                             // 2
      "http://127.0.0.1:" + std::to_string(FreeLocalPort()) + "/",  // 3 nothing listening
      Url("/garbage"),                                              // 4
      Url("/close-early/50000"),                                    // 5
      Url("/hang"),                                                 // 6 stalls: receive time-out
      Url("/pattern/10"),                                           // 7 folder missing
      Url("/pattern/2000"),                                         // 8 fine
      "",                                                           // 9 no address
      Url("/pattern/10"),                                           // 10 no path
  };
  const std::vector<std::string> paths = {
      scratch_ / "0",
      scratch_ / "1",
      scratch_ / "2",
      scratch_ / "3",
      scratch_ / "4",
      scratch_ / "5",
      scratch_ / "6",
      scratch_ / "no/such/folder/7",
      good,
      scratch_ / "9",
      "",
  };
  const auto start = std::chrono::steady_clock::now();
  const JobResult r = RunJob(urls, paths);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  SetDefaultInternetTimeouts(InternetTimeouts{});

  ASSERT_TRUE(r.posted);
  EXPECT_EQ(r.flag, 0u);
  EXPECT_LT(elapsed, std::chrono::seconds(20));
  EXPECT_TRUE(ReadWholeFile(good) == Pattern(2000));
  const auto lines = TraceLines(r.out);
  for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 9, 10}) {
    EXPECT_NE(std::find(lines.begin(), lines.end(), Line("ERROR", std::to_string(i))), lines.end())
        << "worker " << i << "\n"
        << r.out;
  }
  // Three addresses are not web addresses at all; the others that failed on the way say why.
  size_t httpOnly = 0, causes = 0;
  for (size_t at = 0; (at = r.err.find("Error: can only use URLs", at)) != std::string::npos; ++at)
    ++httpOnly;
  for (size_t at = 0; (at = r.err.find("tidewell: ", at)) != std::string::npos; ++at) ++causes;
  EXPECT_EQ(3u, httpOnly) << r.err;
  EXPECT_GE(causes, 2u) << r.err;
}

TEST_F(HttpDownload, ClosingProgressWindowCancelsEveryWorker) {
  std::vector<std::string> urls, paths;
  for (int i = 0; i < 8; ++i) {
    urls.push_back(Url("/slow/400000?chunk=1024&delay=0.01&n=" + std::to_string(i)));
    paths.push_back(scratch_ / Numbered("s", i));
  }
  JobOptions options;
  options.showProgress = true;
  std::chrono::steady_clock::time_point clicked;
  options.whileRunning = [&] {
    ProgressWindow* window = nullptr;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
          for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* p = qobject_cast<ProgressWindow*>(w); p && p->isVisible()) window = p;
          }
          return window != nullptr && std::filesystem::exists(paths[0]) &&
                 std::filesystem::file_size(paths[0]) > 20000;
        },
        20000));
    auto* cancel = window->findChild<QPushButton*>("2");
    ASSERT_NE(cancel, nullptr);
    clicked = std::chrono::steady_clock::now();
    QTest::mouseClick(cancel, Qt::LeftButton);
  };
  const JobResult r = RunJob(urls, paths, options);
  const auto afterClick = std::chrono::steady_clock::now() - clicked;

  ASSERT_TRUE(r.posted);
  EXPECT_EQ(r.flag, 0u);
  EXPECT_LT(afterClick, std::chrono::milliseconds(1500));
  // Received parts stay as they came; nothing is reported as an error.
  const auto part = ReadWholeFile(paths[0]);
  EXPECT_GT(part.size(), 20000u);
  EXPECT_LT(part.size(), 400000u);
  EXPECT_TRUE(part == Pattern(part.size()));
  const auto lines = TraceLines(r.out);
  // The first six were running: each ends with a CANCELLED line, naming its address when
  // its read loop noticed, its index when a wait for the session lock did. The last two
  // are never started once the job is cancelled.
  for (int i = 0; i < 8; ++i) {
    const bool byAddress =
        std::find(lines.begin(), lines.end(), Line("CANCELLED", urls[i])) != lines.end();
    const bool byIndex =
        std::find(lines.begin(), lines.end(), Line("CANCELLED", std::to_string(i))) != lines.end();
    EXPECT_EQ(byAddress || byIndex, i < 6) << i << "\n" << r.out;
    EXPECT_FALSE(i >= 6 && std::filesystem::exists(paths[i]));
  }
  for (const auto& line : lines) EXPECT_EQ(line.find("ERROR"), std::string::npos) << r.out;
  EXPECT_TRUE(QTest::qWaitFor(
      [] {
        for (QWidget* w : QApplication::topLevelWidgets())
          if (qobject_cast<ProgressWindow*>(w)) return false;
        return true;
      },
      2000));
}

TEST_F(HttpDownload, ProgressWindowShowsTheTransferAndClosesAtTheEnd) {
  JobOptions options;
  options.showProgress = true;
  QString seenAddress;
  int seenBar = -1;
  options.whileRunning = [&] {
    (void)QTest::qWaitFor(
        [&] {
          for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* p = qobject_cast<ProgressWindow*>(w); p && p->isVisible()) {
              seenAddress = p->findChild<QLabel*>("1041")->text();
              seenBar = p->findChild<QProgressBar*>("1042")->value();
            }
          }
          return seenBar > 0;
        },
        20000);
  };
  const std::string url = Url("/slow/100000?chunk=2000&delay=0.02");
  const JobResult r = RunJob({url}, {scratch_ / "p.bin"}, options);
  EXPECT_EQ(r.flag, 1u);
  EXPECT_EQ(seenAddress.toStdString(), url);
  EXPECT_GT(seenBar, 0);
  // With a window the per-file lines are replaced by window updates.
  EXPECT_EQ(r.out, "");
}

TEST_F(HttpDownload, WindowDestroyedDuringJobEndsItQuietly) {
  EnsureGuiApplication();
  class RecordingWidget : public QWidget {
   public:
    int messages = 0;
    bool event(QEvent* e) override {
      if (AsWindowMessage(e)) ++messages;
      return QWidget::event(e);
    }
  };
  auto window = std::make_unique<RecordingWidget>();
  window->show();
  const std::string path = scratch_ / "orphan.bin";
  ::testing::internal::CaptureStdout();
  auto job = StartHttpDownload({Url("/slow/400000?chunk=1024&delay=0.01")}, {path}, window.get(),
                               false, true, WM_LIST_FETCHED, false, false, kPassPhrase);
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return std::filesystem::exists(path) && std::filesystem::file_size(path) > 10000; },
      20000));
  window.reset();  // takes the progress window with it
  EXPECT_TRUE(QTest::qWaitFor([&] { return job->finished(); }, 5000));
  QCoreApplication::processEvents();
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_LT(std::filesystem::file_size(path), 400000u);
  EXPECT_NE(out.find("CANCELLED"), std::string::npos) << out;
}

namespace {

// A server that keeps its connections open, over a folder of files.
class KeptConnections : public ::testing::Test {
 protected:
  void SetUp() override {
    server_ = StartSetServer(served_.path());
    ASSERT_TRUE(server_);
  }
  std::string Url(const std::string& name) const { return server_->Url("/" + name); }
  ScratchFolder served_, local_;
  std::unique_ptr<ServerProcess> server_;
};

TEST_F(KeptConnections, SixWorkersFetchThirtyFilesOverAtMostSixConnections) {
  std::vector<std::string> urls, paths;
  for (int i = 0; i < 30; ++i) {
    WriteWholeFile(served_ / Numbered("f", i), Pattern(20000, static_cast<size_t>(i)));
    urls.push_back(Url(Numbered("f", i)));
    paths.push_back(local_ / Numbered("f", i));
  }
  const JobResult r = RunJob(urls, paths);
  EXPECT_EQ(r.flag, 1u) << r.out;
  for (int i = 0; i < 30; ++i)
    EXPECT_TRUE(ReadWholeFile(paths[i]) == Pattern(20000, static_cast<size_t>(i))) << i;
  const std::string count = local_ / "connections";
  RunJob({Url("connections")}, {count});
  // Six workers, the count's own job and the start-up probe that found the server ready;
  // a connection per file would make 32.
  EXPECT_LE(std::stoi(ReadWholeFile(count)), 8);
}

TEST_F(KeptConnections, FiveRedirectsAreFollowedAndASixthIsRefused) {
  WriteWholeFile(served_ / "target", Pattern(100));
  for (int i = 0; i < 6; ++i) {
    WriteWholeFile(served_ / Numbered("r", i), "");
    WriteWholeFile(served_ / (Numbered("r", i) + ".redirect"),
                   i == 5 ? Url("target") : Url(Numbered("r", i + 1)));
  }
  const JobResult r = RunJob({Url("r1"), Url("r0")}, {local_ / "five", local_ / "six"});
  EXPECT_EQ(r.flag, 0u);
  EXPECT_TRUE(ReadWholeFile(local_ / "five") == Pattern(100));
  EXPECT_FALSE(std::filesystem::exists(local_ / "six"));
}

// Each file has its bounds; one that breaks them is dropped without a trace on disk
// while the others arrive.
TEST_F(KeptConnections, BodiesBeyondTheirBoundsAndWrongHashesAreDropped) {
  WriteWholeFile(served_ / "big", Pattern(300000));
  WriteWholeFile(served_ / "endless", "");
  WriteWholeFile(served_ / "endless.endless", "");
  WriteWholeFile(served_ / "good", Pattern(5000));
  JobOptions options;
  options.limits = {{10000, -1, ""},
                    {10000, -1, ""},
                    {-1, -1, Sha256Hex(Pattern(4999))},
                    {-1, -1, Sha256Hex(Pattern(5000))}};
  const auto start = std::chrono::steady_clock::now();
  const JobResult r =
      RunJob({Url("big"), Url("endless"), Url("good"), Url("good")},
             {local_ / "big", local_ / "endless", local_ / "bad", local_ / "good"}, options);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(r.flag, 0u);
  for (const char* dropped : {"big", "endless", "bad"})
    EXPECT_FALSE(std::filesystem::exists(local_ / dropped)) << dropped;
  EXPECT_TRUE(ReadWholeFile(local_ / "good") == Pattern(5000));
  EXPECT_NE(r.err.find(Url("big") + " is larger than it may be"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("does not match its listed SHA256"), std::string::npos) << r.err;
}

}  // namespace
