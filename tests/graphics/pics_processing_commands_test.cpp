// The pics tool's apply and trace commands, run as a program on real files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "Pics.h"
#include "picture_test_support.h"

namespace {

const std::string kPics = std::string(BUILD_DIR) + "/bin/pics";

// A 3 x 2 true-colour BMP: top row red, green, blue; bottom row black, white, grey.
void WriteSample(const std::string& path) {
  HGLOBAL dib = picstest::MakeDib(3, 2, 24);
  picstest::PutPixel(dib, 0, 0, 0xFF0000), picstest::PutPixel(dib, 1, 0, 0x00FF00),
      picstest::PutPixel(dib, 2, 0, 0x0000FF);
  picstest::PutPixel(dib, 0, 1, 0x000000), picstest::PutPixel(dib, 1, 1, 0xFFFFFF),
      picstest::PutPixel(dib, 2, 1, 0x808080);
  CPics* picture = CPics::CreatePicture(dib, PictureBMP, 0);
  ASSERT_NE(picture, nullptr);
  ASSERT_EQ(picture->SavePicture(path.c_str(), PictureBMP), 1);
  CPics::ClosePicture(picture);
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class PicsCommands : public testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kPics)) FAIL() << "pics is not built";
  }
  picstest::ScratchDir dir;
};

}  // namespace

TEST_F(PicsCommands, ApplyRunsOperationsLeftToRight) {
  const std::string in = dir.Path("in.bmp"), out = dir.Path("out.bmp");
  WriteSample(in);
  // Turned clockwise the picture is 2 x 3 with red at the top right; mirrored,
  // red is at the top left; the crop keeps the top row (stored row 2).
  ASSERT_TRUE(
      picstest::RunCommand(kPics + " apply " + in + " " + out + " rotate-cw flip-h crop 0 2 2 1"));
  const picstest::RgbImage image = picstest::DecodeWithPillow(out);
  ASSERT_EQ(image.width, 2);
  ASSERT_EQ(image.height, 1);
  EXPECT_EQ(image.At(0, 0)[0], 255);
  EXPECT_EQ(image.At(0, 0)[1], 0);
  EXPECT_EQ(image.At(1, 0)[0], 0);  // black, from the old bottom-left
}

TEST_F(PicsCommands, ApplyRefusesUnknownOperationsAndBadArgumentsWithoutWriting) {
  const std::string in = dir.Path("in.bmp"), out = dir.Path("out.bmp");
  WriteSample(in);
  EXPECT_FALSE(picstest::RunCommand(kPics + " apply " + in + " " + out + " sharpen 2>/dev/null"));
  EXPECT_FALSE(
      picstest::RunCommand(kPics + " apply " + in + " " + out + " crop 0 0 x 1 2>/dev/null"));
  EXPECT_FALSE(
      picstest::RunCommand(kPics + " apply " + in + " " + out + " filter5 12 2>/dev/null"));
  EXPECT_FALSE(
      picstest::RunCommand(kPics + " apply " + in + " " + out + " select 000000 0 2>/dev/null"));
  EXPECT_FALSE(std::filesystem::exists(out));
  ASSERT_TRUE(picstest::RunCommand(
      kPics + " apply " + in + " " + out +
      " filter5 2 5 select FFFFFF 40 FF0000 00FF00 thin 2 contour 1 50 0 2 to8 gray"));
  EXPECT_TRUE(std::filesystem::exists(out));
}

TEST_F(PicsCommands, TraceWritesPolylinesAsSvg) {
  const std::string in = dir.Path("line.bmp"), svg = dir.Path("line.svg");
  HGLOBAL dib = picstest::MakeDib(12, 4, 24);
  for (int x = 0; x < 12; ++x)
    for (int y = 0; y < 4; ++y)
      picstest::PutPixel(dib, x, y, (y == 1 && x >= 2 && x <= 9) ? 0 : 0xFFFFFF);
  CPics* picture = CPics::CreatePicture(dib, PictureBMP, 0);
  ASSERT_NE(picture, nullptr);
  ASSERT_EQ(picture->SavePicture(in.c_str(), PictureBMP), 1);
  CPics::ClosePicture(picture);

  ASSERT_TRUE(picstest::RunCommand(kPics + " trace " + in + " --svg " + svg + " >/dev/null"));
  const std::string text = ReadText(svg);
  EXPECT_NE(text.find("viewBox=\"0 0 12 4\""), std::string::npos);
  // Top row 1 of 4: pixel centres at y = 1.5, from column 2 to column 9.
  EXPECT_NE(text.find("<polyline points=\"2.5,1.5 9.5,1.5\"/>"), std::string::npos) << text;
  EXPECT_TRUE(picstest::RunPython("import xml.dom.minidom as m; m.parse('" + svg + "')"));

  // Through a symbolic link the drawing replaces the link's target; "-" is standard output.
  const std::string target = dir.Path("target.svg"), link = dir.Path("link.svg");
  std::filesystem::create_symlink(target, link);
  ASSERT_TRUE(picstest::RunCommand(kPics + " trace " + in + " --svg " + link + " >/dev/null"));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadText(target), text);
  ASSERT_TRUE(picstest::RunCommand(kPics + " trace " + in + " --svg - > " + dir.Path("out.svg")));
  EXPECT_EQ(ReadText(dir.Path("out.svg")), text);
}
