// The tidewell program as a user runs it: --quiet runs against a real HTTP server in a
// sandbox, --apply-pending, and the exit statuses.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

#include "install_test_support.h"
#include "run_test_support.h"
#include "test_servers.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using run_test::RunWorld;
using tidewell_test::ReadWholeFile;

struct ProgramResult {
  int status = -1;  // exit status; -1 when it did not exit by itself within a minute
  std::string out;
  std::string err;
};

// Runs BUILD_DIR/bin/<program> with args in the current environment.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::string& scratch) {
  std::vector<std::string> argv = {std::string(BUILD_DIR) + "/bin/" + program};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> pointers;
  for (std::string& arg : argv) pointers.push_back(arg.data());
  pointers.push_back(nullptr);
  const std::string outPath = scratch + "program.out";
  const std::string errPath = scratch + "program.err";

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, pointers[0], &actions, nullptr, pointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ProgramResult result;
  if (rc != 0) return result;

  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      status = -1;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (status != -1 && WIFEXITED(status)) result.status = WEXITSTATUS(status);
  result.out = ReadWholeFile(outPath);
  result.err = ReadWholeFile(errPath);
  fs::remove(outPath);
  fs::remove(errPath);
  return result;
}

ProgramResult RunTidewell(const std::vector<std::string>& args, const std::string& scratch) {
  return RunProgram("tidewell", args, scratch);
}

// Message texts stand among the unpacking notes a quiet run also prints.
bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class TidewellProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(std::string(BUILD_DIR) + "/bin/tidewell"))
        << "build the tidewell target";
    ASSERT_TRUE(world.StartServer());
    world.Register("Leafline");
    world.AddProgramFile("leafline.exe", "leafline version 2");
    world.AddProgramFile("brushes/ink.dll", "ink 2");
    world.InstallOld(world.Installed() + "leafline.exe", "leafline version 1");
  }
  RunWorld world;
};

// Sets an environment variable for one scope (unset for null).
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? setenv(name, value, 1) : unsetenv(name);
  }
  ~ScopedVariable() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST_F(TidewellProgram, QuietRunUpdatesAndPrintsEachMessageOnItsOwnLine) {
  ASSERT_TRUE(world.BuildUpdateSet());
  ProgramResult run;
  {
    // No display and a window system that does not exist: any GUI application or widget
    // would abort the program.
    const ScopedVariable platform("QT_QPA_PLATFORM", "no-such-window-system");
    const ScopedVariable display("DISPLAY", nullptr);
    const ScopedVariable wayland("WAYLAND_DISPLAY", nullptr);
    run = RunTidewell({"/LEAFLINE", "--quiet"}, world.Root());
  }
  EXPECT_EQ(0, run.status) << run.err;
  // Standard output carries the message texts alone; warnings go to standard error.
  EXPECT_EQ("Please shut down Leafline\nUpdate complete for Leafline\n", run.out);
  EXPECT_TRUE(Contains(run.err, "update list of Leafline is not signed")) << run.err;
  EXPECT_EQ("leafline version 2", ReadWholeFile(world.Installed() + "leafline.exe"));
  EXPECT_EQ("ink 2", ReadWholeFile(world.Installed() + "brushes/ink.dll"));
  EXPECT_TRUE(world.TempEntries().empty());

  // A second start finds everything current.
  const ProgramResult again = RunTidewell({"--quiet", "/leafline"}, world.Root());
  EXPECT_EQ(2, again.status) << again.err;
  EXPECT_TRUE(Contains(again.out, "\nAll files for Leafline are up to date.\n")) << again.out;
  EXPECT_TRUE(world.TempEntries().empty());
}

TEST_F(TidewellProgram, QuietRunWithoutListOrWithAMissingFileEndsWithItsCode) {
  const ProgramResult noList = RunTidewell({"/LEAFLINE", "--quiet"}, world.Root());
  EXPECT_EQ(1, noList.status) << noList.err;
  EXPECT_TRUE(Contains(noList.out, "\nRemote update file for Leafline not found.\n")) << noList.out;
  // Standard error names the cause: the server's answer, or a server not reached.
  EXPECT_TRUE(Contains(noList.err, "tidewell: server answered 404 for http://")) << noList.err;
  const std::string closed = "127.0.0.1:" + std::to_string(tidewell_test::FreeLocalPort());
  const ProgramResult refused =
      RunTidewell({"/UNDEF", "--quiet", "--list-url", "http://" + closed + "/leafline.tdu",
                   "--target", world.Installed(), "--product", "Leafline"},
                  world.Root());
  EXPECT_EQ(1, refused.status);
  EXPECT_TRUE(
      Contains(refused.err, "tidewell: cannot connect to " + closed + ": connection refused"))
      << refused.err;

  ASSERT_TRUE(world.BuildUpdateSet());
  fs::remove(world.Served() + "program/brushes/ink.dll");
  const ProgramResult missing = RunTidewell({"/LEAFLINE", "--quiet"}, world.Root());
  EXPECT_EQ(4, missing.status) << missing.err;
  EXPECT_TRUE(Contains(missing.err, "tidewell: server answered 404 for http://")) << missing.err;
  EXPECT_EQ("leafline version 1", ReadWholeFile(world.Installed() + "leafline.exe"));
  EXPECT_TRUE(world.TempEntries().empty());
}

TEST_F(TidewellProgram, UnregisteredProductPrintsTheInstallationMessage) {
  world.Register("Leafline", false);
  const ProgramResult run = RunTidewell({"/LEAFLINE", "--quiet"}, world.Root());
  EXPECT_EQ(5, run.status);
  EXPECT_EQ("Leafline is not installed correctly.\nPlease check your installation.\n", run.out);
}

TEST_F(TidewellProgram, CustomRunTakesItsValuesFromOptions) {
  ASSERT_TRUE(world.BuildUpdateSet("sketch.tdu"));
  // The address names a product switch's word; it must not choose that product.
  const ProgramResult run =
      RunTidewell({"/UNDEF", "--quiet", "--list-url", world.ServerUrl("sketch.tdu?/LEAFLINE"),
                   "--target", world.Installed(), "--product", "Inkpot"},
                  world.Root());
  EXPECT_EQ(0, run.status) << run.err;
  EXPECT_EQ("Update complete for Inkpot\n", run.out.substr(run.out.rfind("Update complete")));
  EXPECT_EQ("leafline version 2", ReadWholeFile(world.Installed() + "leafline.exe"));

  const ProgramResult incomplete =
      RunTidewell({"/UNDEF", "--quiet", "--product", "Inkpot"}, world.Root());
  EXPECT_EQ(5, incomplete.status);
  EXPECT_EQ("", incomplete.out);
}

TEST_F(TidewellProgram, LockedFileWaitsForApplyPending) {
  ASSERT_TRUE(world.BuildUpdateSet());
  const std::string exe = world.Installed() + "leafline.exe";
  install_test::LockHolder lock(exe, install_test::LockHolder::Kind::Record);
  ASSERT_TRUE(lock.locked());

  const ProgramResult run = RunTidewell({"/LEAFLINE", "--quiet"}, world.Root());
  EXPECT_EQ(3, run.status) << run.err;
  EXPECT_TRUE(
      Contains(run.out,
               "\nWindows must be rebooted to complete the Update.\nDo you wish to reboot now?\n"
               "Windows not restarted.\nLeafline may not function correctly\n"
               "until Windows has been restarted.\n"))
      << run.out;
  EXPECT_EQ("leafline version 1", ReadWholeFile(exe));
  const std::string winInit = ReadWholeFile(world.Windows() + "WinInit.Ini");
  ASSERT_EQ(0u, winInit.find("[Rename]\r\n" + exe + "="));

  // Still in use: the line stays and the status says so.
  EXPECT_EQ(1, RunTidewell({"--apply-pending"}, world.Root()).status);
  lock.Release();
  const ProgramResult apply = RunTidewell({"--apply-pending"}, world.Root());
  EXPECT_EQ(0, apply.status) << apply.err;
  EXPECT_EQ("leafline version 2", ReadWholeFile(exe));
  EXPECT_EQ(run_test::kNewModified, run_test::ModifiedTime(exe));
  EXPECT_EQ("[Rename]\r\n", ReadWholeFile(world.Windows() + "WinInit.Ini"));
  EXPECT_TRUE(world.TempEntries().empty());
}

TEST_F(TidewellProgram, EndingWithoutARunExitsZero) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--quiet"}, {"/LEAFLINE", "/RESUME", "--quiet"}}) {
    const ProgramResult run = RunTidewell(args, world.Root());
    EXPECT_EQ(0, run.status);
    EXPECT_EQ("", run.out);
  }
  EXPECT_EQ(5, RunTidewell({"--quiet", "--target"}, world.Root()).status);  // a value is missing
}

TEST_F(TidewellProgram, GeneratorLinesGoToStandardOutputAndQuietSilencesThem) {
  const std::vector<std::string> save = {"save",
                                         "--program-dir",
                                         world.Root() + "release",
                                         "--list-file",
                                         world.Served() + "leafline.tdu",
                                         "--out",
                                         world.Served()};
  const ProgramResult run = RunProgram("tidewell-gen", save, world.Root());
  EXPECT_EQ(0, run.status) << run.err;
  EXPECT_EQ(0u, run.out.find("packed program/")) << run.out;
  EXPECT_TRUE(Contains(run.out, "\nsaved 2 files and the list into ")) << run.out;
  EXPECT_FALSE(Contains(run.out, "OK\n")) << run.out;  // the packing notes are on stderr
  std::vector<std::string> quiet = save;
  quiet.push_back("--quiet");
  const ProgramResult silent = RunProgram("tidewell-gen", quiet, world.Root());
  EXPECT_EQ(0, silent.status) << silent.err;
  EXPECT_EQ("", silent.out);
}

TEST_F(TidewellProgram, HelpAndVersionAnswerOnStandardOutputWithoutADisplay) {
  // No display at all: a program that opened a window here would fail.
  platform_test::ScopedEnv platform("QT_QPA_PLATFORM", "xcb");
  platform_test::ScopedEnv display("DISPLAY", std::nullopt);
  for (const char* program : {"tidewell", "tidewell-gen"}) {
    for (const char* option : {"--help", "--version"}) {
      const ProgramResult run = RunProgram(program, {option}, world.Root());
      EXPECT_EQ(0, run.status) << program << " " << option << "\n" << run.err;
      EXPECT_EQ("", run.err) << program << " " << option;
      const std::string expected = std::string(option) == "--help" ? "usage: " : program;
      EXPECT_EQ(0u, run.out.find(expected)) << program << " " << option << "\n" << run.out;
    }
  }
}

}  // namespace
