// tidewell-gen against vsftpd, Debian's usual FTP server, with and without users locked
// into their home folder.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>

#include "ftp_test_support.h"
#include "tidewell/app/gen_cli.h"

namespace {

using namespace tidewell_test;
namespace fs = std::filesystem;

class Vsftpd : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (!server.ok()) GTEST_SKIP() << "vsftpd tests skipped: " << server.reason();
    server.MakeFolder("upd");
    fs::create_directories(program / "bin");
    WriteWholeFile(program / "app.exe", "program body");
    WriteWholeFile(program / "bin/x.dll", "library body");
  }
  int Run(std::vector<std::string> args) {
    out.str("");
    err.str("");
    return tidewell::RunGeneratorCommand(args, out, err);
  }
  std::vector<std::string> Site(const std::string& password) {
    return {"--ftp-site", server.site(), "--user",        server.user(),
            "--password", password,      "--initial-dir", "upd"};
  }

  VsftpdServer server{GetParam()};
  ScratchFolder program, work, back;
  std::ostringstream out, err;
};

TEST_P(Vsftpd, RelativeInitialFolderIsTheOneInTheHomeFolder) {
  std::vector<std::string> upload = {"upload",      "--program-dir",       program.path(),
                                     "--list-file", work / "leafline.tdu", "--overwrite",
                                     "yes"};
  const auto site = Site(server.password());
  upload.insert(upload.end(), site.begin(), site.end());
  ASSERT_EQ(Run(upload), 0) << err.str();
  EXPECT_TRUE(fs::exists(server.home() + "upd/leafline.tdu"));
  EXPECT_TRUE(fs::exists(server.home() + "upd/program/bin/x.dll"));

  std::vector<std::string> fetch = {"fetch", "--out", back.path(), "program/bin/x.dll"};
  fetch.insert(fetch.end(), site.begin(), site.end());
  ASSERT_EQ(Run(fetch), 0) << err.str();
  EXPECT_EQ(ReadWholeFile(back / "program/bin/x.dll"), "library body");
}

TEST_P(Vsftpd, WrongPasswordIsALoginRefusalNotATimeOut) {
  std::vector<std::string> fetch = {"fetch", "--out", back.path(), "leafline.tdu"};
  const auto site = Site("wrong");
  fetch.insert(fetch.end(), site.begin(), site.end());
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Run(fetch), 1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  EXPECT_NE(err.str().find("FTP login refused for user " + server.user()), std::string::npos)
      << err.str();
  EXPECT_EQ(err.str().find("Timed out"), std::string::npos) << err.str();
}

INSTANTIATE_TEST_SUITE_P(Users, Vsftpd, ::testing::Bool(), [](const auto& info) {
  return info.param ? std::string("LockedIntoHome") : std::string("SeeTheWholeDisk");
});

}  // namespace
