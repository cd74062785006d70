// The pics command-line tool: its output lines, exit status and messages.
#include <cstdio>
#include <sys/wait.h>

#include "picture_test_support.h"

using picstest::ScratchDir;

namespace {

struct ToolRun {
  int status = -1;
  std::string out;
};

// Runs pics with the arguments; standard error is folded into the output.
ToolRun Pics(const std::string& args) {
  ToolRun run;
  const std::string command = std::string(BUILD_DIR) + "/bin/pics " + args + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) run.out += buffer;
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

class PicsTool : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(std::string(BUILD_DIR) + "/bin/pics"))
      GTEST_SKIP() << "pics is not built";
    HGLOBAL dib = picstest::MakeDib(6, 4, 8, {0x000000, 0xFF0000}, 2);
    picstest::PutPixel(dib, 5, 0, 1);
    picstest::PicturePtr picture(CPics::CreatePicture(dib, PictureBMP, 0));
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture->SavePictureAs(dir.Path("in.bmp").c_str(), PictureBMP), 1);
  }
  ScratchDir dir;
};

}  // namespace

TEST_F(PicsTool, InfoPrintsTypeSizeDepthAndColours) {
  const ToolRun run = Pics("info " + dir.Path("in.bmp"));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "type=1 width=6 height=4 bpp=8 colors=2\n");
}

TEST_F(PicsTool, ConvertTakesTheTypeFromTheOptionOrTheExtension) {
  EXPECT_EQ(Pics("convert " + dir.Path("in.bmp") + " " + dir.Path("out.dib")).status, 0);
  EXPECT_EQ(Pics("convert " + dir.Path("in.bmp") + " " + dir.Path("out.raw") + " --type 1").status,
            0);
  picstest::PicturePtr copy(CPics::OpenPicture(dir.Path("out.raw").c_str(), 0, nullptr));
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->GetPixel(5, 0), RGB(255, 0, 0));
  EXPECT_EQ(copy->GetPixel(4, 0), RGB(0, 0, 0));
}

TEST_F(PicsTool, FailuresExitOneWithAMessage) {
  const std::string in = dir.Path("in.bmp");
  const std::pair<std::string, std::string> cases[] = {
      {"info " + dir.Path("missing.bmp"), "cannot read"},
      {"convert " + in + " " + dir.Path("out.unknown"), "--type"},
      {"convert " + in + " " + dir.Path("out.bmp") + " --type 12", "1 to 8"},
      {"convert " + in + " " + dir.Path("no/such/folder/out.bmp"), "cannot write"},
      {"convert " + in, "usage"},
      {"convert " + in + " " + dir.Path("o.bmp") + " --bogus", "--bogus"},
      {"frobnicate", "unknown command"},
      {"", "usage"},
  };
  for (const auto& [args, message] : cases) {
    const ToolRun run = Pics(args);
    EXPECT_EQ(run.status, 1) << args;
    EXPECT_NE(run.out.find(message), std::string::npos) << args << " said: " << run.out;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.Path("out.bmp")));
}
