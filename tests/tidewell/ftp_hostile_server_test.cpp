// FTP jobs against a server that misbehaves: each ends with one clear report, soon.
#include <gtest/gtest.h>

#include <chrono>

#include "ftp_test_support.h"
#include "tidewell/transfer/internet_session.h"

namespace {

using namespace tidewell_test;

struct HostileCase {
  const char* mode;
  const char* expected;  // the report, or "" for any non-empty one
};

class HostileFtpServer : public ::testing::TestWithParam<HostileCase> {
 protected:
  void SetUp() override {
    saved_ = tidewell::DefaultInternetTimeouts();
    tidewell::SetDefaultInternetTimeouts(
        {std::chrono::milliseconds(3000), std::chrono::milliseconds(3000)});
  }
  void TearDown() override { tidewell::SetDefaultInternetTimeouts(saved_); }
  tidewell::InternetTimeouts saved_;
};

TEST_P(HostileFtpServer, EndsTheJobWithOneClearReport) {
  const int port = FreeLocalPort();
  ServerProcess server;
  ASSERT_TRUE(server.Start({"/usr/bin/python3", ServerScript("hostile_ftp_server.py"), "--port",
                            std::to_string(port), "--mode", GetParam().mode},
                           port));
  ScratchFolder local;
  FtpJobRecorder recorder;
  auto job = recorder.MakeJob("127.0.0.1:" + std::to_string(port), "/pub");
  job.remotePaths = {"a.dat"};
  job.localPaths = {local / "a.dat"};
  const auto start = std::chrono::steady_clock::now();
  const auto result = RunDownload(job);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
  EXPECT_FALSE(result.ok());
  ASSERT_EQ(recorder.messages.size(), 1u);
  if (*GetParam().expected != '\0') {
    EXPECT_EQ(recorder.messages[0], GetParam().expected);
  }
  EXPECT_FALSE(recorder.messages[0].empty());
}

INSTANTIATE_TEST_SUITE_P(
    Replies, HostileFtpServer,
    ::testing::Values(HostileCase{"long-line", ""}, HostileCase{"no-code", ""},
                      HostileCase{"drop", ""},
                      HostileCase{"huge-listing", "Internet Error\n1 context\n12152 error"},
                      HostileCase{"junk-listing", "Wynet: FTP File Not Found\n"}),
    [](const auto& info) {
      std::string name = info.param.mode;
      for (char& c : name)
        if (c == '-') c = '_';
      return name;
    });

}  // namespace
