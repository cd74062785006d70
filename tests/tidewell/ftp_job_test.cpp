// Upload and download jobs against a real FTP server on 127.0.0.1.
#include <signal.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "ftp_test_support.h"
#include "tidewell/packing/pack_file.h"
#include "tidewell/transfer/overwrite_answer.h"
#include "tidewell/transfer/wynet_exception.h"

namespace {

using namespace tidewell_test;
namespace fs = std::filesystem;

std::string Unpacked(const std::string& packedPath) {
  std::string result;
  if (!tidewell::UnpackFile(packedPath, true, true, kFtpPassPhrase, result))
    return "<does not unpack>";
  const std::string text = ReadWholeFile(result);
  fs::remove(result);
  return text;
}

std::string Packed(const std::string& plainPath) {
  std::string result;
  EXPECT_TRUE(tidewell::PackFile(plainPath, true, true, kFtpPassPhrase, result));
  const std::string data = ReadWholeFile(result);
  fs::remove(result);
  return data;
}

class FtpJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(root / "pub");
    server = StartFtpServer(root.path());
    ASSERT_NE(server, nullptr) << "FTP test server did not start";
  }
  std::string Local(const std::string& name, const std::string& data) {
    const std::string path = local / name;
    WriteWholeFile(path, data);
    return path;
  }
  std::string ServerPath(const std::string& path) const { return root / ("pub/" + path); }

  ScratchFolder root;
  ScratchFolder local;
  std::unique_ptr<ServerProcess> server;
  FtpJobRecorder recorder;
};

TEST_F(FtpJobTest, UploadCreatesMissingLevelsAndSendsThePackedFile) {
  auto job = recorder.MakeJob(SiteOf(*server), "pub");
  job.localPaths = {Local("c.dat", "drawing module\n")};
  job.remotePaths = {"a/b/c.dat"};
  const auto result = RunUpload(job);

  EXPECT_TRUE(result.ok()) << result.report;
  EXPECT_TRUE(recorder.messages.empty());
  EXPECT_TRUE(fs::is_directory(ServerPath("a/b")));
  EXPECT_NE(ReadWholeFile(ServerPath("a/b/c.dat")), "drawing module\n");
  EXPECT_EQ(Unpacked(ServerPath("a/b/c.dat")), "drawing module\n");
}

TEST_F(FtpJobTest, DownloadFetchesEachFileFromItsOwnDirectoryAndUnpacksIt) {
  fs::create_directories(ServerPath("x"));
  fs::create_directories(ServerPath("y"));
  WriteWholeFile(ServerPath("x/one.dat"), Packed(Local("p1", "one")));
  WriteWholeFile(ServerPath("y/two.dat"), Packed(Local("p2", "two")));
  WriteWholeFile(ServerPath("three.dat"), Packed(Local("p3", "three")));

  auto job = recorder.MakeJob(SiteOf(*server), "/pub/");
  job.remotePaths = {"x/one.dat", "y/two.dat", "three.dat"};
  job.localPaths = {local / "one", local / "two", local / "three"};
  const auto result = RunDownload(job);

  EXPECT_TRUE(result.ok()) << result.report;
  EXPECT_EQ(ReadWholeFile(local / "one"), "one");
  EXPECT_EQ(ReadWholeFile(local / "two"), "two");
  EXPECT_EQ(ReadWholeFile(local / "three"), "three");
}

TEST_F(FtpJobTest, PromptAnswersDecideWhichServerFilesAreReplaced) {
  for (const char* name : {"1.dat", "2.dat", "3.dat", "4.dat"})
    WriteWholeFile(ServerPath(name), "old");
  auto job = recorder.MakeJob(SiteOf(*server), "/pub");
  job.packFirst = job.packSecond = false;
  job.localPaths = {Local("1", "new1"), Local("2", "new2"), Local("3", "new3"), Local("4", "new4")};
  job.remotePaths = {"1.dat", "2.dat", "3.dat", "4.dat"};
  recorder.answers = {tidewell::kOverwriteNo, tidewell::kOverwriteYes,
                      tidewell::kOverwriteYesToAll};
  const auto result = RunUpload(job);

  EXPECT_TRUE(result.ok()) << result.report;
  const std::string site = SiteOf(*server);
  // Yes To All on the third file: the fourth is replaced without a question.
  EXPECT_EQ(recorder.questions,
            (std::vector<std::string>{"Overwrite ftp://" + site + "/pub/1.dat?",
                                      "Overwrite ftp://" + site + "/pub/2.dat?",
                                      "Overwrite ftp://" + site + "/pub/3.dat?"}));
  EXPECT_EQ(ReadWholeFile(ServerPath("1.dat")), "old");
  EXPECT_EQ(ReadWholeFile(ServerPath("2.dat")), "new2");
  EXPECT_EQ(ReadWholeFile(ServerPath("3.dat")), "new3");
  EXPECT_EQ(ReadWholeFile(ServerPath("4.dat")), "new4");
}

TEST_F(FtpJobTest, CancelInThePromptEndsTheJobWithoutAMessage) {
  WriteWholeFile(ServerPath("1.dat"), "old");
  auto job = recorder.MakeJob(SiteOf(*server), "/pub");
  job.packFirst = job.packSecond = false;
  job.localPaths = {Local("1", "new1"), Local("2", "new2")};
  job.remotePaths = {"1.dat", "2.dat"};
  recorder.answers = {tidewell::kOverwriteCancel};
  const auto result = RunUpload(job);

  EXPECT_EQ(result.code, tidewell::kWynetCancelled);
  EXPECT_TRUE(recorder.messages.empty());
  EXPECT_EQ(ReadWholeFile(ServerPath("1.dat")), "old");
  EXPECT_FALSE(fs::exists(ServerPath("2.dat")));
}

TEST_F(FtpJobTest, WithPromptingOffServerFilesAreReplacedWithoutAQuestion) {
  WriteWholeFile(ServerPath("1.dat"), "old and longer");
  auto job = recorder.MakeJob(SiteOf(*server), "/pub");
  job.askOverwrite = false;
  job.packFirst = job.packSecond = false;
  job.localPaths = {Local("1", "new")};
  job.remotePaths = {"1.dat"};
  EXPECT_TRUE(RunUpload(job).ok());
  EXPECT_TRUE(recorder.questions.empty());
  EXPECT_EQ(ReadWholeFile(ServerPath("1.dat")), "new");
}

TEST_F(FtpJobTest, EmptyFileWithoutPackingMakesAnEmptyServerFile) {
  auto job = recorder.MakeJob(SiteOf(*server), "/");
  job.packFirst = job.packSecond = false;
  job.localPaths = {Local("empty", "")};
  job.remotePaths = {"pub/empty.dat"};
  EXPECT_TRUE(RunUpload(job).ok());
  ASSERT_TRUE(fs::exists(ServerPath("empty.dat")));
  EXPECT_EQ(fs::file_size(ServerPath("empty.dat")), 0u);
}

TEST_F(FtpJobTest, FileThatCannotBePackedKeepsTheServerCopy) {
  WriteWholeFile(ServerPath("1.dat"), "old");
  auto job = recorder.MakeJob(SiteOf(*server), "/pub");
  job.askOverwrite = false;
  job.localPaths = {local / "missing"};
  job.remotePaths = {"1.dat"};
  const auto result = RunUpload(job);
  EXPECT_EQ(result.code, tidewell::kWynetEncryptError);
  EXPECT_EQ(recorder.messages, (std::vector<std::string>{"Wynet: Error encrypting file\n"}));
  EXPECT_EQ(ReadWholeFile(ServerPath("1.dat")), "old");
}

TEST_F(FtpJobTest, ServerFileWhereALevelBelongsIsAFileDirConflict) {
  WriteWholeFile(ServerPath("a"), "a file, not a folder");
  auto job = recorder.MakeJob(SiteOf(*server), "/pub");
  job.localPaths = {Local("c", "c")};
  job.remotePaths = {"a/c.dat"};
  RunUpload(job);
  EXPECT_EQ(recorder.messages, (std::vector<std::string>{"Wynet: FTP File/Dir conflict\n/pub/a"}));
}

TEST_F(FtpJobTest, MissingServerFileEndsTheDownload) {
  WriteWholeFile(ServerPath("later.dat"), Packed(Local("p", "later")));
  auto job = recorder.MakeJob(SiteOf(*server), "/pub");
  job.remotePaths = {"gone.dat", "later.dat"};
  job.localPaths = {local / "gone", local / "later"};
  const auto result = RunDownload(job);
  EXPECT_EQ(result.code, tidewell::kWynetFileNotFound);
  EXPECT_EQ(recorder.messages, (std::vector<std::string>{"Wynet: FTP File Not Found\n"}));
  EXPECT_FALSE(fs::exists(local / "later"));
}

TEST_F(FtpJobTest, DownloadThatDoesNotUnpackKeepsTheRawFile) {
  WriteWholeFile(ServerPath("raw.dat"), "not packed at all");
  auto job = recorder.MakeJob(SiteOf(*server), "/pub");
  job.remotePaths = {"raw.dat"};
  job.localPaths = {local / "raw"};
  const auto result = RunDownload(job);
  EXPECT_EQ(result.code, tidewell::kWynetDecryptError);
  EXPECT_EQ(recorder.messages, (std::vector<std::string>{"Wynet: Error decrypting file\n"}));
  EXPECT_EQ(ReadWholeFile(local / "raw"), "not packed at all");
}

TEST_F(FtpJobTest, UnwritableLocalPathIsAFileErrorNamingIt) {
  WriteWholeFile(ServerPath("1.dat"), "x");
  auto job = recorder.MakeJob(SiteOf(*server), "/pub");
  job.remotePaths = {"1.dat"};
  job.localPaths = {local / "no/such/folder/1"};
  RunDownload(job);
  EXPECT_EQ(recorder.messages,
            (std::vector<std::string>{"Wynet: File Error\n" + local / "no/such/folder/1"}));
}

TEST_F(FtpJobTest, FailedChangeIntoTheInitialDirectoryShowsTheQuotedPair) {
  auto job = recorder.MakeJob(SiteOf(*server), "/nowhere");
  job.remotePaths = {"1.dat"};
  job.localPaths = {local / "1"};
  RunDownload(job);
  EXPECT_EQ(recorder.messages,
            (std::vector<std::string>{"Wynet: Error changing FTP Dir\n\"\" to \"/nowhere\""}));
}

TEST_F(FtpJobTest, FailedChangeIntoALevelNamesWhereTheJobWas) {
  auto job = recorder.MakeJob(SiteOf(*server), "/pub");
  job.remotePaths = {"x/1.dat"};
  job.localPaths = {local / "1"};
  RunDownload(job);
  EXPECT_EQ(recorder.messages,
            (std::vector<std::string>{"Wynet: Error changing FTP Dir\n\"/pub\" to \"/pub/x\""}));
}

TEST_F(FtpJobTest, WrongPasswordIsReported) {
  auto job = recorder.MakeJob(SiteOf(*server), "/pub");
  job.password = "wrong";
  job.remotePaths = {"1.dat"};
  job.localPaths = {local / "1"};
  RunDownload(job);
  EXPECT_EQ(recorder.messages, (std::vector<std::string>{"Invalid Password"}));
}

TEST_F(FtpJobTest, ListsOfDifferentLengthAreAMismatch) {
  auto job = recorder.MakeJob(SiteOf(*server), "/pub");
  job.remotePaths = {"1.dat", "2.dat"};
  job.localPaths = {local / "1"};
  RunUpload(job);
  EXPECT_EQ(recorder.messages, (std::vector<std::string>{"Wynet: List Mismatch\n"}));
}

TEST_F(FtpJobTest, UploadThroughAConnectProxyReachesTheServer) {
  const std::string log = local / "tunnels.log";
  auto proxy = StartConnectProxy(log);
  ASSERT_NE(proxy, nullptr);
  auto job = recorder.MakeJob(SiteOf(*server), "/pub");
  job.proxy = "ftp=ftp://127.0.0.1:" + std::to_string(proxy->port());
  job.localPaths = {Local("1", "through the proxy")};
  job.remotePaths = {"p/1.dat"};
  const auto result = RunUpload(job);
  EXPECT_TRUE(result.ok()) << result.report;
  EXPECT_EQ(Unpacked(ServerPath("p/1.dat")), "through the proxy");
  EXPECT_NE(ReadWholeFile(log).find(SiteOf(*server)), std::string::npos);

  // A host on the bypass list is reached directly.
  fs::remove(log);
  job.bypass = "*.local;127.0.0";
  job.askOverwrite = false;
  EXPECT_TRUE(RunUpload(job).ok());
  EXPECT_FALSE(fs::exists(log));
}

TEST_F(FtpJobTest, ServerGoneInTheMiddleOfAnUploadIsReported) {
  std::string big(16 << 20, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 2654435761u) >> 13);
  auto job = recorder.MakeJob(SiteOf(*server), "/pub");
  job.packFirst = job.packSecond = false;
  job.localPaths = {Local("big", big), Local("small", "s")};
  job.remotePaths = {"big.dat", "small.dat"};
  auto handle = tidewell::StartFtpUpload(job);
  // Stop the server once data has started to arrive.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  std::error_code ec;
  while (std::chrono::steady_clock::now() < deadline &&
         fs::file_size(ServerPath("big.dat"), ec) == 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  kill(server->pid(), SIGKILL);
  ASSERT_TRUE(handle->Wait(std::chrono::seconds(60)));
  const auto& result = handle->result();
  EXPECT_FALSE(result.ok());
  ASSERT_EQ(recorder.messages.size(), 1u);
  EXPECT_FALSE(recorder.messages[0].empty());
  EXPECT_FALSE(fs::exists(ServerPath("small.dat")));
}

TEST(FtpJobParameters, EmptyHostIsReportedBeforeAnythingIsOpened) {
  FtpJobRecorder recorder;
  auto job = recorder.MakeJob("", "/pub");
  job.remotePaths = {"1.dat"};
  job.localPaths = {"/nonexistent/1"};
  const auto result = RunUpload(job);
  EXPECT_EQ(result.code, tidewell::kWynetIncompleteParameters);
  EXPECT_EQ(recorder.messages, (std::vector<std::string>{"Wynet: Incomplete Parameters\n"}));
}

TEST(FtpJobParameters, UnansweringServerTimesOutWithinAboutThreeSeconds) {
  UnansweringPort port;
  ASSERT_NE(port.port(), 0);
  FtpJobRecorder recorder;
  auto job = recorder.MakeJob("127.0.0.1:" + std::to_string(port.port()), "/pub");
  job.remotePaths = {"1.dat"};
  job.localPaths = {"/nonexistent/1"};
  const auto start = std::chrono::steady_clock::now();
  RunDownload(job);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(recorder.messages, (std::vector<std::string>{"Connection Timed out"}));
  EXPECT_GE(elapsed, std::chrono::milliseconds(2500));
  EXPECT_LT(elapsed, std::chrono::milliseconds(6000));
}

}  // namespace
