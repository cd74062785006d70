// The pics tool on PCX, TGA and XBM files: info lines and conversions between them.
#include <cstdio>
#include <sys/wait.h>

#include "format_test_support.h"

using formatstest::ExpectSameImage;
using formatstest::PatternDib;
using formatstest::PixelsOf;
using picstest::PicturePtr;
using picstest::ScratchDir;
using picstest::ToolRun;

namespace {

// Runs pics with the arguments; standard error is folded into the output.
ToolRun Pics(const std::string& args) { return picstest::RunPics(args); }

class PicsToolFormats : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(std::string(BUILD_DIR) + "/bin/pics"))
      FAIL() << "pics is not built";
    PicturePtr picture(CPics::CreatePicture(PatternDib(21, 9, 8), PictureBMP, 0));
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture->SavePicture(dir.Path("in.bmp").c_str(), -1), 1);
  }
  ScratchDir dir;
};

TEST_F(PicsToolFormats, ConvertsThroughEachFormatAndReportsIt) {
  PicturePtr original(CPics::OpenPicture(dir.Path("in.bmp").c_str()));
  ASSERT_TRUE(original);
  for (const char* name : {"a.pcx", "a.tga"}) {
    SCOPED_TRACE(name);
    const std::string out = dir.Path(name);
    ASSERT_EQ(Pics("convert " + dir.Path("in.bmp") + " " + out).status, 0);
    const ToolRun info = Pics("info " + out);
    EXPECT_EQ(info.status, 0);
    const int type = std::string(name) == "a.pcx" ? 3 : 5;
    EXPECT_EQ(
        info.out.rfind("type=" + std::to_string(type) + " width=21 height=9 bpp=8 colors=256 ", 0),
        0u);
    ASSERT_EQ(Pics("convert " + out + " " + dir.Path("back.bmp")).status, 0);
    PicturePtr back(CPics::OpenPicture(dir.Path("back.bmp").c_str()));
    ASSERT_TRUE(back);
    ExpectSameImage(PixelsOf(*back), PixelsOf(*original));
  }
  ASSERT_EQ(Pics("convert " + dir.Path("a.tga") + " " + dir.Path("a.xbm")).status, 0);
  EXPECT_EQ(Pics("info " + dir.Path("a.xbm"))
                .out.rfind("type=7 width=21 height=9 bpp=1 colors=2 format=XBM", 0),
            0u);
  ASSERT_EQ(Pics("convert " + dir.Path("a.xbm") + " " + dir.Path("b.pcx")).status, 0);
  EXPECT_EQ(Pics("info " + dir.Path("b.pcx"))
                .out.rfind("type=3 width=21 height=9 bpp=1 colors=2 format=PCX", 0),
            0u);
}

}  // namespace
