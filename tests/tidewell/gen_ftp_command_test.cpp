// tidewell-gen upload and fetch against a real FTP server.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "ftp_test_support.h"
#include "platform_test_support.h"
#include "tidewell/app/gen_cli.h"
#include "tidewell/app/gen_ftp_command.h"
#include "tidewell/transfer/overwrite_answer.h"

namespace {

using namespace tidewell_test;
namespace fs = std::filesystem;

class GenFtpCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(root / "sets");
    fs::create_directories(program / "bin");
    WriteWholeFile(program / "app.exe", "program body");
    WriteWholeFile(program / "bin/x.dll", "library body");
    server = StartFtpServer(root.path());
    ASSERT_NE(server, nullptr);
  }
  int Run(std::vector<std::string> args) {
    out.str("");
    err.str("");
    return tidewell::RunGeneratorCommand(args, out, err);
  }
  std::vector<std::string> Upload(const std::string& overwrite) {
    return {"upload",     "--program-dir", program.path(), "--list-file", work / "basic5.tdu",
            "--ftp-site", SiteOf(*server), "--user",       kFtpUser,      "--password",
            kFtpPassword, "--initial-dir", "sets",         "--overwrite", overwrite};
  }
  std::vector<std::string> Fetch(std::vector<std::string> paths) {
    std::vector<std::string> args = {"fetch",  "--ftp-site", SiteOf(*server), "--user",
                                     kFtpUser, "--password", kFtpPassword,    "--initial-dir",
                                     "/sets",  "--out",      back.path()};
    args.insert(args.end(), paths.begin(), paths.end());
    return args;
  }

  ScratchFolder root, program, work, back;
  std::unique_ptr<ServerProcess> server;
  std::ostringstream out, err;
};

TEST_F(GenFtpCommand, UploadSendsTheListAndEveryFileAndFetchBringsThemBack) {
  ASSERT_EQ(Run(Upload("no")), 0) << err.str();
  EXPECT_TRUE(fs::exists(root / "sets/basic5.tdu"));
  EXPECT_TRUE(fs::exists(root / "sets/program/app.exe"));
  EXPECT_TRUE(fs::exists(root / "sets/program/bin/x.dll"));

  ASSERT_EQ(Run(Fetch({"basic5.tdu", "program/app.exe", "program/bin/x.dll"})), 0) << err.str();
  EXPECT_EQ(ReadWholeFile(back / "program/app.exe"), "program body");
  EXPECT_EQ(ReadWholeFile(back / "program/bin/x.dll"), "library body");
  EXPECT_NE(ReadWholeFile(back / "basic5.tdu").find("[General]"), std::string::npos);
}

TEST_F(GenFtpCommand, SignedUploadSendsTheSignatureRightAfterTheList) {
  ASSERT_EQ(Run({"keygen", "--secret", work / "s.pem", "--public", work / "p.pem"}), 0);
  std::vector<std::string> args = Upload("yes");
  args.insert(args.end(), {"--sign-key", work / "s.pem"});
  ASSERT_EQ(Run(args), 0) << err.str();
  const std::string sent = out.str();
  EXPECT_LT(sent.find("sent basic5.tdu "), sent.find("sent basic5.tdu.sig "));
  EXPECT_LT(sent.find("sent basic5.tdu.sig "), sent.find("sent program/"));
  EXPECT_EQ(0, std::system(("/usr/bin/openssl pkeyutl -verify -rawin -pubin -inkey " +
                            (work / "p.pem") + " -in " + (root / "sets/basic5.tdu") + " -sigfile " +
                            (root / "sets/basic5.tdu.sig") + " >/dev/null")
                               .c_str()));
  EXPECT_EQ(ReadWholeFile(work / "basic5.tdu.sig"), ReadWholeFile(root / "sets/basic5.tdu.sig"));
}

TEST_F(GenFtpCommand, OverwriteAnswerDecidesWhetherServerFilesChange) {
  ASSERT_EQ(Run(Upload("yes")), 0) << err.str();
  const std::string first = ReadWholeFile(root / "sets/program/app.exe");
  WriteWholeFile(program / "app.exe", "second build");
  ASSERT_EQ(Run(Upload("no")), 0) << err.str();  // No is not a failure
  EXPECT_EQ(ReadWholeFile(root / "sets/program/app.exe"), first);
  ASSERT_EQ(Run(Upload("yes")), 0) << err.str();
  ASSERT_EQ(Run(Fetch({"program/app.exe"})), 0) << err.str();
  EXPECT_EQ(ReadWholeFile(back / "program/app.exe"), "second build");
}

TEST_F(GenFtpCommand, ReportsArePrintedAndFail) {
  auto args = Upload("yes");
  args[10] = "wrong";  // the password
  EXPECT_EQ(Run(args), 1);
  EXPECT_EQ(err.str(),
            "Invalid Password\ntidewell-gen: upload: FTP login refused for user maker\n");
  args[6] = "127.0.0.1:" + std::to_string(FreeLocalPort());  // nothing listens there
  EXPECT_EQ(Run(args), 1);
  EXPECT_NE(err.str().find("tidewell-gen: upload: cannot connect to " + args[6] +
                           ": connection refused\n"),
            std::string::npos)
      << err.str();
  EXPECT_EQ(Run(Fetch({"none.exe"})), 1);
  EXPECT_EQ(err.str(), "Wynet: FTP File Not Found\n\n");
  EXPECT_EQ(Run(Fetch({"../escape"})), 1);
  EXPECT_EQ(Run({"upload", "--program-dir", program.path()}), 1);
  EXPECT_NE(err.str().find("--list-file is required"), std::string::npos);
  auto badProxy = Upload("yes");
  badProxy.insert(badProxy.end(), {"--proxy", "gate:0"});
  EXPECT_EQ(Run(badProxy), 1);
}

TEST_F(GenFtpCommand, UploadTakesEverySaveOptionKeepsTheSetItSendsAndReadsAPasswordFile) {
  WriteWholeFile(work / "password", std::string(kFtpPassword) + "\n");
  auto args = Upload("yes");
  args.erase(args.begin() + 9, args.begin() + 11);  // no --password on the command line
  args.insert(args.end(),
              {"--password-file", work / "password", "--out", work / "set", "--base-url",
               "http://updates.example/sets/", "--check", "size", "--program-prefix", "prog",
               "--windows-prefix", "win", "--other-prefix", "misc"});
  ASSERT_EQ(Run(args), 0) << err.str();
  for (const char* name : {"basic5.tdu", "prog/app.exe", "prog/bin/x.dll"})
    EXPECT_EQ(
        ReadWholeFile(root / ("sets/" + std::string(name))),
        ReadWholeFile(std::string(name) == "basic5.tdu" ? work / name
                                                        : work / ("set/" + std::string(name))))
        << name;
  const std::string lines = out.str();
  EXPECT_NE(lines.find("sent basic5.tdu ("), std::string::npos) << lines;
  EXPECT_NE(lines.find("sent prog/bin/x.dll ("), std::string::npos) << lines;
  EXPECT_NE(lines.find("sent 3 of 3 files to ftp://"), std::string::npos) << lines;

  // From the environment, with the files named; the server keeps its list at --overwrite no.
  platform_test::ScopedEnv password("TIDEWELL_FTP_PASSWORD", std::string(kFtpPassword));
  args = Upload("no");
  args.erase(args.begin() + 9, args.begin() + 11);
  args.push_back(program / "app.exe");
  ASSERT_EQ(Run(args), 0) << err.str();
  EXPECT_NE(out.str().find("skipped basic5.tdu"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("sent 1 of 2 files"), std::string::npos) << out.str();
}

TEST_F(GenFtpCommand, FailedUploadLeavesNoLocalFiles) {
  auto args = Upload("yes");
  args[10] = "wrong";
  args.insert(args.end(), {"--out", work / "set"});
  EXPECT_EQ(Run(args), 1);
  EXPECT_EQ(std::distance(fs::directory_iterator(work.path()), {}), 0);
  EXPECT_EQ(Run(Fetch({"none.exe"})), 1);
  EXPECT_EQ(std::distance(fs::directory_iterator(back.path()), {}), 0);
}

TEST(TerminalOverwriteQuestion, ReadsTheAnswerAndTakesEndOfInputAsNo) {
  std::ostringstream shown;
  std::istringstream typed("maybe\na\n");
  EXPECT_EQ(tidewell::AskOverwriteOnTerminal("Overwrite x?", typed, shown),
            tidewell::kOverwriteYesToAll);
  EXPECT_EQ(shown.str().find("Overwrite x?"), 0u);
  std::istringstream cancel("c\n"), empty("");
  EXPECT_EQ(tidewell::AskOverwriteOnTerminal("q", cancel, shown), tidewell::kOverwriteCancel);
  EXPECT_EQ(tidewell::AskOverwriteOnTerminal("q", empty, shown), tidewell::kOverwriteNo);
}

}  // namespace
