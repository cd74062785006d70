// Recognising picture files by content and by extension.
#include <cstring>

#include "picture_test_support.h"

using picstest::ScratchDir;
using picstest::WriteBytes;

namespace {
std::vector<std::uint8_t> Bytes(std::initializer_list<int> values, std::size_t size = 20) {
  std::vector<std::uint8_t> bytes(size, 0);
  std::size_t i = 0;
  for (int v : values) bytes[i++] = static_cast<std::uint8_t>(v);
  return bytes;
}
std::vector<std::uint8_t> Text(const std::string& text) { return {text.begin(), text.end()}; }
}  // namespace

TEST(PictureType, ContentDecidesInTableOrder) {
  ScratchDir dir;
  std::vector<std::uint8_t> tga = Bytes({0, 0, 2});
  tga[16] = 24;
  const std::pair<std::vector<std::uint8_t>, short> cases[] = {
      {Text("GIF89a....................."), PictureGIF},
      {Text("BMxxxxxxxxxxxxxxxxxxxxx"), PictureBMP},
      {Bytes({10, 5, 1}), PicturePCX},
      {Bytes({0xFF, 0xD8, 0xFF, 0xE0}), PictureJPEG},
      {tga, PictureTGA},
      {Text("II*\0......................"), PictureTIFF},
      {Text("MM\0*......................"), PictureTIFF},
      {Bytes({0x89, 'P', 'N', 'G', 13, 10, 26, 10}), PicturePNG},
      {Text("#define a_width 8\n#define a_height 2\nstatic unsigned char a_bits[] = {\n0x00, "
            "0xff};\n"),
       PictureXBM},
      {Text("#DEFINE A_WIDTH 8\n#Define A_HEIGHT 2\nSTATIC CHAR A_BITS[] = {0,0};"), PictureXBM},
      {Text("#define my_icon_height 2\n#define my_icon_width 8\nstatic char x[] = {0,0};"),
       PictureXBM},
      {Text("#define a_width 8\n#define a_depth 2\nstatic char a_bits[] = {0,0};"), PictureUnknown},
      {Text("#define a_width 8\n#define a_height 2\nstatic char a_bits[] = 0,0;"), PictureUnknown},
      {Text("plain text file, nothing else"), PictureUnknown},
      {Bytes({0, 0, 2}), PictureUnknown},  // TGA-like, but no known depth at byte 16
  };
  int n = 0;
  for (const auto& [bytes, type] : cases) {
    const std::string path = dir.Path("case" + std::to_string(n++));
    WriteBytes(path, bytes);
    EXPECT_EQ(CPics::PictureType(path.c_str()), type) << "case " << n - 1;
    CFile file(path.c_str(), CFile::modeRead);
    EXPECT_EQ(CPics::PictureType(&file), type) << "open-file case " << n - 1;
    EXPECT_EQ(file.GetPosition(), std::min<std::uint64_t>(bytes.size(), 20)) << "case " << n - 1;
  }
}

TEST(PictureType, MissingEmptyAndFolderAreUnknown) {
  ScratchDir dir;
  EXPECT_EQ(CPics::PictureType(dir.Path("missing.bmp").c_str()), PictureUnknown);
  WriteBytes(dir.Path("empty.bmp"), {});
  EXPECT_EQ(CPics::PictureType(dir.Path("empty.bmp").c_str()), PictureUnknown);
  EXPECT_EQ(CPics::PictureType(dir.path().c_str()), PictureUnknown);
  EXPECT_EQ(CPics::PictureType(static_cast<const char*>(nullptr)), PictureUnknown);
  EXPECT_EQ(CPics::OpenPicture(dir.Path("missing.bmp").c_str(), 0, nullptr), nullptr);
}

TEST(PictureType, OpenPictureGoesByContentNotByName) {
  ScratchDir dir;
  const std::string path = dir.Path("photo.bmp");
  WriteBytes(path, Text("GIF89a\x01\0\x01\0\0\0\0;"));
  EXPECT_EQ(CPics::PictureType(path.c_str()), PictureGIF);
  // No GIF coder yet, so the BMP coder must not take it either.
  EXPECT_EQ(CPics::OpenPicture(path.c_str(), 0, nullptr), nullptr);
}

TEST(PictureType, ExtensionTableIsCaseBlindAndUsesTheLastDot) {
  const std::pair<const char*, short> cases[] = {
      {"a.bmp", 1},         {"a.DIB", 1},
      {"a.gif", 2},         {"a.Pcx", 3},
      {"x.JpEg", 4},        {"x.jpe", 4},
      {"x.jpg", 4},         {"a.tga", 5},
      {"a.TARG", 5},        {"a.tif", 6},
      {"a.tiff", 6},        {"a.xbm", 7},
      {"a.png", 8},         {"x", -1},
      {"x.jfif", -1},       {"a.png.bak", -1},
      {"dir.bmp/file", -1}, {"archive.tar.bmp", 1},
  };
  for (const auto& [name, type] : cases) EXPECT_EQ(CPics::TypeFromExtension(name), type) << name;
}
