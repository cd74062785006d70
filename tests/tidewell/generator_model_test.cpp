// The generator's file list, its three-state check boxes and saving an update set.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "install_test_support.h"
#include "tidewell/app/gen_cli.h"
#include "tidewell/app/string_table.h"
#include "tidewell/packing/pack_file.h"
#include "tidewell/platform/file_status.h"
#include "tidewell/updateset/generator_model.h"

namespace {

namespace fs = std::filesystem;
using install_test::InstallWorld;
using platform_test::ReadFile;
using platform_test::WriteFile;
using tidewell::CheckFlag;

std::string Unpacked(const std::string& packed) {
  std::string result;
  if (!tidewell::UnpackFile(packed, true, true, tidewell::LoadString(tidewell::kStrPassPhrase),
                            result))
    return "";
  std::string text = ReadFile(result);
  fs::remove(result);
  return text;
}

TEST(GeneratorFiles, AddTakesFileStatusAndRemoveDropsSelectedPositions) {
  InstallWorld world;
  WriteFile(world / "a", "12345");
  tidewell::SetFileTimes(world / "a", 2200000000, 2300000000);
  tidewell::GeneratorModel model("phrase");
  model.AddFiles({world / "a", world / "missing", world / "a"});
  ASSERT_EQ(3u, model.Files().Count());
  const auto& added = model.Files().At(0);
  EXPECT_EQ(5, added.size);
  EXPECT_EQ(2300000000, added.modified);
  EXPECT_EQ(2200000000, added.created);
  EXPECT_FALSE(added.checkModify || added.checkCreate || added.checkSize);
  EXPECT_EQ(0, model.Files().At(1).size);
  EXPECT_EQ(0, model.Files().At(1).modified);

  model.RemoveFiles({0, 2, 2, 7});
  ASSERT_EQ(1u, model.Files().Count());
  EXPECT_EQ(world / "missing", model.Files().At(0).installedPath);
}

TEST(GeneratorFiles, CheckBoxShowsMixedAndAClickNeverKeepsIt) {
  tidewell::GeneratorModel model("phrase");
  model.AddFiles({"/x/a", "/x/b", "/x/c"});
  model.SetCheck(CheckFlag::Size, {0}, true);
  const std::vector<size_t> both = {0, 1};

  EXPECT_EQ(tidewell::kCheckMixed, model.CheckState(CheckFlag::Size, both));
  EXPECT_EQ(tidewell::kCheckMixed, model.CheckState(CheckFlag::Size, {}));
  EXPECT_EQ(tidewell::kCheckOff, model.CheckState(CheckFlag::Modify, both));
  EXPECT_EQ(tidewell::kCheckOff, model.ClickCheck(CheckFlag::Size, both));
  EXPECT_FALSE(model.Files().At(0).checkSize);
  EXPECT_EQ(tidewell::kCheckOn, model.ClickCheck(CheckFlag::Size, both));
  EXPECT_TRUE(model.Files().At(0).checkSize && model.Files().At(1).checkSize);
  EXPECT_FALSE(model.Files().At(2).checkSize);  // not selected
  EXPECT_EQ(tidewell::kCheckOff, model.ClickCheck(CheckFlag::Size, both));
  EXPECT_FALSE(model.Files().At(0).checkSize || model.Files().At(1).checkSize);
  EXPECT_FALSE(model.Files().At(0).checkCreate ||
               model.Files().At(0).checkModify);  // others untouched
}

TEST(SaveUpdateSetLocally, PacksListAndFilesUnderTheirPrefixesAndReadsBack) {
  InstallWorld world;
  fs::create_directories(world / "Prog/bin");
  fs::create_directories(world.Windows() + "/sys");
  WriteFile(world / "Prog/a.exe", "program file");
  WriteFile(world / "Prog/bin/x.dll", std::string(100000, 'x'));
  WriteFile(world.Windows() + "/sys/b.dll", "windows file");
  WriteFile(world / "elsewhere.ocx", "other file");

  tidewell::GeneratorModel model(tidewell::LoadString(tidewell::kStrPassPhrase));
  model.programFolder = world / "Prog";
  model.listFile = world / "basic5.tdu";
  model.localUpdateSetFolder = world / "set";
  model.remoteWebDirectory = "http://h/set";
  model.AddFiles({world / "Prog/a.exe", world / "Prog/bin/x.dll", world.Windows() + "/sys/b.dll",
                  world / "elsewhere.ocx", world / "vanished"});
  model.SetCheck(CheckFlag::Modify, {0, 1}, true);

  const auto outcome = model.SaveUpdateSetLocally();
  EXPECT_EQ(tidewell::kListWritten, outcome.listResult);
  EXPECT_TRUE(outcome.listPacked);
  EXPECT_EQ((std::vector<std::string>{world / "vanished"}), outcome.notSaved);
  EXPECT_EQ(std::string::npos, ReadFile(world / "basic5.tdu").find("[General]"));  // no longer text
  EXPECT_FALSE(fs::exists(world / "set/basic5.tdu"));

  EXPECT_EQ("program file", Unpacked(world / "set/program/a.exe"));
  EXPECT_EQ(std::string(100000, 'x'), Unpacked(world / "set/program/bin/x.dll"));
  EXPECT_EQ("windows file", Unpacked(world / "set/winfiles/sys/b.dll"));
  EXPECT_EQ("other file", Unpacked(world / "set/others/elsewhere.ocx"));

  WriteFile(world / "list.ini", Unpacked(world / "basic5.tdu"));
  tidewell::UpdateList read;
  read.ReadUpdateList(world / "list.ini", world / "Prog/", world / "stage/",
                      tidewell::MachineListDefaults());
  ASSERT_EQ(4u, read.Count());  // the vanished file has no size, which ends its section last
  EXPECT_EQ("http://h/set/winfiles/sys/b.dll", read.At(0).url);
  EXPECT_EQ("bin\\x.dll", read.At(2).name);
  EXPECT_EQ(world / "Prog/bin/x.dll", read.At(2).installedPath);
  EXPECT_EQ(100000, read.At(2).size);
  EXPECT_TRUE(read.At(2).checkModify);
  EXPECT_EQ(world / "elsewhere.ocx", read.At(3).installedPath);
}

TEST(SaveUpdateSetLocally, PrefixThatClimbsOutIsNotWrittenOutsideTheSet) {
  InstallWorld world;
  fs::create_directories(world / "Prog");
  WriteFile(world / "Prog/a.exe", "program file");
  tidewell::GeneratorModel model("phrase");
  model.programFolder = world / "Prog";
  model.listFile = world / "list.ini";
  model.localUpdateSetFolder = world / "set";
  model.programPrefix = "../escaped";
  model.AddFiles({world / "Prog/a.exe"});
  const auto outcome = model.SaveUpdateSetLocally();
  EXPECT_EQ(1u, outcome.notSaved.size());
  EXPECT_FALSE(fs::exists(world / "escaped"));
}

TEST(SaveCommand, SavesEveryFileBelowTheProgramFolderAndSkipsItsOwnOutput) {
  InstallWorld world;
  fs::create_directories(world / "Prog/bin");
  WriteFile(world / "Prog/a.exe", "A");
  WriteFile(world / "Prog/bin/x.dll", "X");
  std::ostringstream out, err;
  const int status = tidewell::RunGeneratorCommand(
      {"save", "--program-dir", world / "Prog/", "--list-file", world / "Prog/basic5.tdu", "--out",
       world / "Prog/set", "--base-url", "http://h/s/", "--program-prefix", "prog", "--check",
       "modify,size"},
      out, err);
  ASSERT_EQ(0, status) << err.str();
  EXPECT_EQ("A", Unpacked(world / "Prog/set/prog/a.exe"));
  EXPECT_EQ("X", Unpacked(world / "Prog/set/prog/bin/x.dll"));
  EXPECT_FALSE(fs::exists(world / "Prog/set/prog/basic5.tdu"));

  WriteFile(world / "list.ini", Unpacked(world / "Prog/basic5.tdu"));
  tidewell::UpdateList read;
  read.ReadUpdateList(world / "list.ini", world / "Prog/", world / "stage/",
                      tidewell::MachineListDefaults());
  ASSERT_EQ(2u, read.Count());
  EXPECT_TRUE(read.At(0).checkModify && read.At(0).checkSize && !read.At(0).checkCreate);
}

TEST(SaveCommand, BadArgumentsAndUnsavedFilesExitOne) {
  InstallWorld world;
  fs::create_directories(world / "Prog");
  const std::string dir = world / "Prog";
  const std::vector<std::vector<std::string>> failing = {
      {"save", "--list-file", world / "l", "--out", world / "o"},
      {"save", "--program-dir", dir, "--list-file", world / "l", "--out", world / "o", "--check",
       "colour"},
      {"save", "--program-dir", dir, "--list-file", world / "l", "--out", world / "o", "--bogus",
       "1"},
      {"save", "--program-dir", dir, "--list-file", world / "l", "--out", world / "o",
       world / "nofile"},
      {"save", "--program-dir", dir, "--list-file", world / "nofolder/l", "--out", world / "o"},
  };
  for (const auto& args : failing) {
    std::ostringstream out, err;
    EXPECT_EQ(1, tidewell::RunGeneratorCommand(args, out, err)) << args.back();
    EXPECT_NE("", err.str()) << args.back();
  }
}

}  // namespace
