// pics draw: what the drawing looks like, checked with Pillow, and its refusals.
#include <cstdio>
#include <sys/wait.h>

#include "drawing_test_support.h"
#include "picture_test_support.h"

using picstest::ScratchDir;

namespace {

// Runs pics with the arguments: its exit status, and its output (standard error
// folded in) where asked.
int Pics(const std::string& args, std::string* out = nullptr) {
  picstest::ToolRun run = picstest::RunPics(args);
  if (out != nullptr) *out = run.out;
  return run.status;
}

class PicsDraw : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(std::string(BUILD_DIR) + "/bin/pics"))
      FAIL() << "pics is not built";
    // 5 x 4: white in the left column, else a colour of the position.
    HGLOBAL dib = drawtest::MakeDib24(5, 4, [](int x, int y) {
      return x == 0 ? RGB(255, 255, 255) : RGB(BYTE(x * 50), BYTE(y * 60), 9);
    });
    drawtest::PicturePtr picture(drawtest::MakePicture(dib));
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture->SavePictureAs(dir.Path("in.bmp").c_str(), PictureBMP), 1);
  }
  ScratchDir dir;
};

}  // namespace

TEST_F(PicsDraw, ZoomRepeatsEveryPixelAndSizeCutsTheCanvas) {
  ASSERT_EQ(Pics("draw " + dir.Path("in.bmp") + " " + dir.Path("z3.png") + " --zoom 3"), 0);
  const picstest::RgbImage z3 = picstest::DecodeWithPillow(dir.Path("z3.png"));
  ASSERT_EQ(z3.width, 15);
  ASSERT_EQ(z3.height, 12);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 15; ++x) {
      const std::uint8_t* p = z3.At(x, y);
      if (x < 3) {
        EXPECT_EQ(p[0] + p[1] + p[2], 3 * 255);
      } else {
        EXPECT_EQ(p[0], x / 3 * 50);
        EXPECT_EQ(p[1], y / 3 * 60);
      }
    }
  // A canvas smaller than the zoomed picture shows its top-left part at that zoom.
  ASSERT_EQ(
      Pics("draw " + dir.Path("in.bmp") + " " + dir.Path("part.bmp") + " --zoom 12 --size 30x20"),
      0);
  const picstest::RgbImage part = picstest::DecodeWithPillow(dir.Path("part.bmp"));
  ASSERT_EQ(part.width, 30);
  EXPECT_EQ(part.At(29, 19)[0], 100);
  EXPECT_EQ(part.At(29, 19)[1], 60);
}

TEST_F(PicsDraw, TransparentColourShowsTheChecksBehind) {
  ASSERT_EQ(Pics("draw " + dir.Path("in.bmp") + " " + dir.Path("t.png") +
                 " --zoom 4 --transparent FFFFFF"),
            0);
  const picstest::RgbImage t = picstest::DecodeWithPillow(dir.Path("t.png"));
  ASSERT_EQ(t.width, 20);
  // Under the transparent left column: a grey check, then a white one.
  EXPECT_EQ(t.At(0, 0)[0], 204);
  EXPECT_EQ(t.At(0, 8)[0], 255);
  EXPECT_EQ(t.At(19, 15)[0], 200);
}

TEST_F(PicsDraw, DashWritesTheDrawingToStandardOutput) {
  std::string out;
  ASSERT_EQ(Pics("draw " + dir.Path("in.bmp") + " - --type png --zoom 2 | " + BUILD_DIR +
                     "/bin/pics info -",
                 &out),
            0);
  EXPECT_EQ(out.rfind("type=8 width=10 height=8 ", 0), 0u) << out;
  EXPECT_NE(Pics("draw " + dir.Path("in.bmp") + " -", &out), 0);
  EXPECT_NE(out.find("give --type"), std::string::npos) << out;
}

TEST_F(PicsDraw, BadArgumentsAreRefusedWithAMessage) {
  std::string out;
  EXPECT_EQ(Pics("draw " + dir.Path("in.bmp") + " " + dir.Path("o.bmp") + " --zoom 0", &out), 1);
  EXPECT_NE(out.find("--zoom"), std::string::npos);
  EXPECT_EQ(Pics("draw " + dir.Path("in.bmp") + " " + dir.Path("o.bmp") + " --size 0x5"), 1);
  EXPECT_EQ(Pics("draw " + dir.Path("in.bmp") + " " + dir.Path("o.bmp") + " --transparent FFF"), 1);
  EXPECT_EQ(Pics("draw " + dir.Path("in.bmp") + " " + dir.Path("o.xyz")), 1);
  EXPECT_EQ(Pics("draw " + dir.Path("missing.bmp") + " " + dir.Path("o.bmp")), 2);  // no such file
  EXPECT_EQ(Pics("draw " + dir.Path("in.bmp") + " " + dir.Path("o.bmp") + " --zoom 100000"), 1);
  EXPECT_FALSE(std::filesystem::exists(dir.Path("o.bmp")));
}
