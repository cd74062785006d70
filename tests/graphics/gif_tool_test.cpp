// The pics tool on GIF files: info lines and conversions to and from GIF.
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

TEST(PicsToolGif, ConvertsToAndFromGifAndReportsIt) {
  if (!std::filesystem::exists(std::string(BUILD_DIR) + "/bin/pics"))
    FAIL() << "pics is not built";
  ScratchDir dir;
  for (const int bits : {1, 8}) {
    SCOPED_TRACE(bits);
    PicturePtr original(CPics::CreatePicture(PatternDib(21, 9, bits), PictureBMP, 0));
    ASSERT_TRUE(original);
    ASSERT_EQ(original->SavePicture(dir.Path("in.bmp").c_str(), -1), 1);
    ASSERT_EQ(Pics("convert " + dir.Path("in.bmp") + " " + dir.Path("a.gif")).status, 0);
    const ToolRun info = Pics("info " + dir.Path("a.gif"));
    EXPECT_EQ(info.status, 0);
    EXPECT_EQ(info.out.rfind("type=2 width=21 height=9 bpp=" + std::to_string(bits) +
                                 " colors=" + std::to_string(1 << bits) + " format=GIF",
                             0),
              0u);
    ASSERT_EQ(Pics("convert " + dir.Path("a.gif") + " " + dir.Path("back.bmp")).status, 0);
    PicturePtr back(CPics::OpenPicture(dir.Path("back.bmp").c_str()));
    ASSERT_TRUE(back);
    ExpectSameImage(PixelsOf(*back), PixelsOf(*original));
  }
  // A damaged GIF is a clear failure, told apart from a missing file.
  picstest::WriteBytes(dir.Path("bad.gif"), {'G', 'I', 'F', '8', '9', 'a', 1, 0});
  EXPECT_EQ(Pics("info " + dir.Path("bad.gif")).status, 4);
  EXPECT_EQ(Pics("convert " + dir.Path("bad.gif") + " " + dir.Path("x.bmp")).status, 4);
}

}  // namespace
