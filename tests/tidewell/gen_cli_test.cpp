#include "tidewell/app/gen_cli.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <future>
#include <sstream>

#include "app_test_support.h"
#include "packing_test_support.h"
#include "tidewell/app/gen_update_set.h"
#include "tidewell/app/move_file.h"
#include "tidewell/trust/file_hash.h"

using namespace packing_test;
using tidewell::RunGeneratorCommand;

namespace {

class GeneratorCommand : public ::testing::Test {
 protected:
  ScratchFolder dir;
  std::ostringstream out, err;

  void SetUp() override { ::testing::internal::CaptureStderr(); }
  void TearDown() override { ::testing::internal::GetCapturedStderr(); }

  int Run(std::vector<std::string> args) {
    err.str("");
    return RunGeneratorCommand(args, out, err);
  }
};

TEST_F(GeneratorCommand, PackThenUnpackGivesTheFileBack) {
  const Bytes data = MixedData(50000);
  WriteBytes(dir / "list.ini", data);
  WriteBytes(dir / "old", {1, 2, 3});  // replaced, not appended to
  ASSERT_EQ(Run({"pack", dir / "list.ini", dir / "old"}), 0) << err.str();
  EXPECT_EQ(out.str(), "packed " + dir / "list.ini" + " into " + dir / "old (" +
                           tidewell::GroupedNumber(ReadBytes(dir / "old").size()) + " bytes)\n");
  EXPECT_NE(ReadBytes(dir / "old"), data);
  ASSERT_EQ(Run({"unpack", dir / "old", dir / "back"}), 0) << err.str();
  EXPECT_EQ(ReadBytes(dir / "back"), data);
  EXPECT_TRUE(err.str().empty());

  struct stat st {};
  ASSERT_EQ(::stat((dir / "back").c_str(), &st), 0);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);  // an ordinary new file, not a private temporary one
}

TEST_F(GeneratorCommand, FailuresExitOneWithAMessageAndKeepTheOutput) {
  WriteBytes(dir / "plain", MixedData(3000));
  WriteBytes(dir / "keep", {9, 9});
  EXPECT_EQ(Run({"unpack", dir / "plain", dir / "keep"}), 1);
  EXPECT_NE(err.str().find("cannot unpack"), std::string::npos) << err.str();
  EXPECT_EQ(ReadBytes(dir / "keep"), (Bytes{9, 9}));
  EXPECT_EQ(Run({"pack", dir / "absent", dir / "keep"}), 1);
  EXPECT_EQ(ReadBytes(dir / "keep"), (Bytes{9, 9}));
  EXPECT_EQ(Run({"pack", dir / "plain", dir / "no-folder/out"}), 1);
  EXPECT_NE(err.str().find("cannot write"), std::string::npos) << err.str();
}

TEST_F(GeneratorCommand, HelpGoesToStandardOutputAndUsageErrorsExitOne) {
  EXPECT_EQ(Run({"--help"}), 0);
  for (const char* command : {"pack", "unpack", "save", "upload", "fetch", "--password-file"})
    EXPECT_NE(out.str().find(command), std::string::npos) << command;

  EXPECT_EQ(Run({}), 1);
  EXPECT_NE(err.str().find("usage:"), std::string::npos);
  EXPECT_EQ(Run({"frobnicate"}), 1);
  EXPECT_NE(err.str().find("unknown command"), std::string::npos);
  EXPECT_EQ(Run({"pack", dir / "only-one"}), 1);
  EXPECT_EQ(Run({"unpack", "a", "b", "c"}), 1);
}

// A program folder with two files, saved as an update set with the given extra options.
class GeneratorSave : public GeneratorCommand {
 protected:
  void SetUp() override {
    GeneratorCommand::SetUp();
    std::filesystem::create_directories(dir / "program/bin");
    WriteBytes(dir / "program/app.exe", MixedData(1500));
    WriteBytes(dir / "program/bin/x.dll", MixedData(30));
    std::filesystem::create_directories(dir / "out");
    WriteBytes(dir / "out/keep", {7});
  }
  int Save(std::vector<std::string> extra = {}) {
    out.str("");
    std::vector<std::string> args = {"save",        "--program-dir",          dir / "program",
                                     "--list-file", dir / "out/leafline.tdu", "--out",
                                     dir / "out"};
    args.insert(args.end(), extra.begin(), extra.end());
    return Run(args);
  }
  std::string UnpackedList() {
    EXPECT_EQ(Run({"unpack", dir / "out/leafline.tdu", dir / "list.ini"}), 0) << err.str();
    const Bytes bytes = ReadBytes(dir / "list.ini");
    return std::string(bytes.begin(), bytes.end());
  }
};

TEST_F(GeneratorSave, NamesEachPackedFileAndComparesModifyAndSizeByDefault) {
  ASSERT_EQ(Save(), 0) << err.str();
  for (const auto& [value, text] : std::vector<std::pair<uint64_t, std::string>>{
           {0, "0"}, {999, "999"}, {1000, "1 000"}, {1234567, "1 234 567"}})
    EXPECT_EQ(tidewell::GroupedNumber(value), text);
  const std::string lines = out.str();
  const auto packedSize = [&](const std::string& name) {
    return tidewell::GroupedNumber(std::filesystem::file_size(dir / ("out/" + name)));
  };
  EXPECT_EQ(lines, "packed program/app.exe (" + packedSize("program/app.exe") + " bytes)\n" +
                       "packed program/bin/x.dll (" + packedSize("program/bin/x.dll") +
                       " bytes)\npacked the list " + dir / "out/leafline.tdu\n" +
                       "saved 2 files and the list into " + dir / "out\n");
  const std::string list = UnpackedList();
  for (const char* key : {"Check Modify1=1", "Check Size1=1", "Check Create1=0"})
    EXPECT_NE(list.find(key), std::string::npos) << key << "\n" << list;

  out.str("");
  ASSERT_EQ(Run({"save", "--quiet", "--program-dir", dir / "program", "--list-file",
                 dir / "out/leafline.tdu", "--out", dir / "out", "--check", "none"}),
            0);
  EXPECT_EQ(out.str(), "");
  EXPECT_NE(UnpackedList().find("Check Modify1=0"), std::string::npos);
}

TEST_F(GeneratorSave, SignKeyWritesASignatureOpensslAcceptsAndEveryEntryIsHashed) {
  ASSERT_EQ(Run({"keygen", "--secret", dir / "s.pem", "--public", dir / "p.pem"}), 0) << err.str();
  EXPECT_EQ(Run({"keygen", "--secret", dir / "s.pem", "--public", dir / "p2.pem"}), 1);
  ASSERT_EQ(Save({"--sign-key", dir / "s.pem"}), 0) << err.str();
  EXPECT_EQ(0, std::system(("/usr/bin/openssl pkeyutl -verify -rawin -pubin -inkey " +
                            (dir / "p.pem") + " -in " + (dir / "out/leafline.tdu") + " -sigfile " +
                            (dir / "out/leafline.tdu.sig") + " >/dev/null")
                               .c_str()));
  const std::string list = UnpackedList();
  const Bytes app = MixedData(1500);
  const size_t size = list.find("Check Size1=1\r\nSHA2561=" +
                                tidewell::Sha256Hex(std::string(app.begin(), app.end())));
  EXPECT_NE(size, std::string::npos) << list;
  EXPECT_NE(list.find("SHA2562="), std::string::npos) << list;
  EXPECT_EQ(Save({"--sign-key", dir / "missing.pem"}), 1);
  EXPECT_NE(err.str().find("cannot sign"), std::string::npos) << err.str();
}

TEST_F(GeneratorSave, FailureLeavesNothingOfTheNewSet) {
  // A prefix that climbs out of the set cannot be saved.
  EXPECT_EQ(Save({"--program-prefix", ".."}), 1);
  EXPECT_NE(err.str().find("was not saved"), std::string::npos) << err.str();
  EXPECT_EQ(dir.EntryCount(), 2u);  // program and out, no staging folder left beside
  EXPECT_EQ(std::filesystem::directory_iterator(dir / "out")->path().filename(), "keep");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "out"), {}), 1);
}

TEST_F(GeneratorCommand, OutputNamesKeepTheirLinksAndDevicesAndPipesAreWrittenInto) {
  namespace fs = std::filesystem;
  const Bytes data = MixedData(70000);
  WriteBytes(dir / "plain", data);
  ASSERT_EQ(Run({"pack", dir / "plain", dir / "packed"}), 0) << err.str();

  // A link to a file, a link to a name not made yet, and a link to a link.
  WriteBytes(dir / "target", {1});
  fs::create_symlink(dir / "target", dir / "link");
  fs::create_symlink("later", dir / "dangling");
  fs::create_symlink(dir / "link", dir / "chain");
  for (const char* name : {"link", "dangling", "chain"}) {
    ASSERT_EQ(Run({"unpack", dir / "packed", dir / name}), 0) << name << err.str();
    EXPECT_TRUE(fs::is_symlink(dir / name)) << name;
    EXPECT_EQ(ReadBytes(dir / name), data) << name;
  }
  EXPECT_EQ(ReadBytes(dir / "later"), data);

  // A pipe is written into while a reader drains it.
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  auto reader = std::async(std::launch::async, [&] { return ReadBytes(dir / "pipe"); });
  EXPECT_EQ(Run({"unpack", dir / "packed", dir / "pipe"}), 0) << err.str();
  EXPECT_EQ(reader.get(), data);
  EXPECT_FALSE(fs::is_regular_file(dir / "pipe"));

  // Standard output by any of its names, also when it was sent to a file.
  for (const char* name : {"-", "/dev/stdout", "/dev/fd/1"}) {
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(Run({"unpack", dir / "packed", name}), 0) << name;
    const std::string printed = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(Bytes(printed.begin(), printed.end()), data) << name;
  }
}

TEST(MoveFinishedFile, CrossesFileSystemsWithoutLeavingCopies) {
  if (!std::filesystem::is_directory("/dev/shm")) GTEST_SKIP() << "no second file system";
  ScratchFolder dir;
  const std::string from = "/dev/shm/twpack-move-" + std::to_string(::getpid());
  WriteBytes(from, MixedData(10000));
  ASSERT_TRUE(tidewell::MoveFinishedFile(from, dir / "moved"));
  EXPECT_EQ(ReadBytes(dir / "moved"), MixedData(10000));
  EXPECT_FALSE(std::filesystem::exists(from));
  EXPECT_EQ(dir.EntryCount(), 1u);
}

}  // namespace
