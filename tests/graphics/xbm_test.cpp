// XBM files: the header in its accepted forms, the bit order, files made by Pillow
// and ImageMagick, the exact text we write, and arrays that end too early.
#include <cstring>

#include "format_test_support.h"

using formatstest::DecodeWithImageMagick;
using formatstest::ExpectSameImage;
using formatstest::PatternDib;
using formatstest::PictureFromDib;
using formatstest::PixelsOf;
using picstest::DecodeWithPillow;
using picstest::PicturePtr;
using picstest::ReadBytes;
using picstest::ScratchDir;

namespace {

PicturePtr OpenText(const ScratchDir& dir, const std::string& text) {
  const std::string path = dir.Path("t.xbm");
  picstest::WriteBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
  return PicturePtr(CPics::OpenPicture(path.c_str()));
}

std::string FileText(const std::string& path) {
  const auto bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

TEST(XbmReading, DefinesInEitherOrderAndAnyCase) {
  ScratchDir dir;
  PicturePtr picture = OpenText(dir,
                                "#define img_height 2\n#define img_width 16\n"
                                "static unsigned char img_bits[] = {\n 0x01, 0x80, 3C, 0XFF };\n");
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->m_type, PictureXBM);
  EXPECT_EQ(picture->m_width, 16);
  EXPECT_EQ(picture->m_height, 2);
  EXPECT_EQ(picture->m_bitsPerPixel, 1);
  // The first pixel of a file byte is its lowest bit; a set bit is black.
  EXPECT_EQ(picture->GetPixel(0, 0), RGB(0, 0, 0));
  for (int x = 1; x < 8; ++x) EXPECT_EQ(picture->GetPixel(x, 0), RGB(255, 255, 255)) << x;
  EXPECT_EQ(picture->GetPixel(15, 0), RGB(0, 0, 0));
  // 3c without its 0x: pixels 2 to 5 black.
  EXPECT_EQ(picture->GetIndex(1, 1), 1);
  EXPECT_EQ(picture->GetIndex(2, 1), 0);
  EXPECT_EQ(picture->GetIndex(5, 1), 0);
  EXPECT_EQ(picture->GetIndex(6, 1), 1);
  for (int x = 8; x < 16; ++x) EXPECT_EQ(picture->GetIndex(x, 1), 0);

  PicturePtr upper =
      OpenText(dir, "#DEFINE A_WIDTH 8\n#DEFINE A_HEIGHT 1\nSTATIC CHAR A_BITS[] = { 0x01 };\n");
  ASSERT_TRUE(upper);
  EXPECT_EQ(upper->GetIndex(0, 0), 0);
}

TEST(XbmReading, FileByteBecomesTheReversedInvertedDibByte) {
  ScratchDir dir;
  PicturePtr picture =
      OpenText(dir, "#define a_width 9\n#define a_height 1\nstatic char a_bits[] = {0x01,0x01};");
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->m_byteWidth, 4);  // two bytes in the file, a 4-byte DIB row
  const BYTE* dib = static_cast<const BYTE*>(GlobalLock(picture->m_hDIB));
  const BYTE* row = CPics::DIBImagePtr(dib);
  EXPECT_EQ(row[0], 0x7F);
  EXPECT_EQ(row[1] & 0x80, 0);  // pixel 8 black
  GlobalUnlock(picture->m_hDIB);
}

TEST(XbmReading, WhiteIsTransparentAfterLoading) {
  ScratchDir dir;
  PicturePtr picture =
      OpenText(dir, "#define a_width 8\n#define a_height 1\nstatic char a_bits[] = {0x0f};");
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->m_bTransparent, 1);
  EXPECT_EQ(picture->m_transparentColor, 0x02FFFFFFu);
  EXPECT_EQ(picture->m_numColors, 2);
}

TEST(XbmReading, IncompleteHeadersAndShortArraysAreRefused) {
  ScratchDir dir;
  const std::string tail = "static char a_bits[] = {0x01,0x02};";
  EXPECT_FALSE(
      OpenText(dir, "#define a_width 8\n#define a_height 2\nstatic char a_bits[] = {0x01};"));
  EXPECT_FALSE(
      OpenText(dir, "#define a_width 8\n#define a_height 2\nstatic char a_bits[] = {0x01, zz};"));
  EXPECT_FALSE(OpenText(dir, "#define a_width 8\n#define a_height 2\nstatic char a_bits[] = {"));
  EXPECT_FALSE(OpenText(dir, "#define a_width 8\n#define a_height 2\n"));  // header without data
  EXPECT_FALSE(OpenText(dir, "#define a_width 8\n#define a_depth 2\n" + tail));
  EXPECT_FALSE(OpenText(dir, "#define a_width 0\n#define a_height 2\n" + tail));
  EXPECT_FALSE(OpenText(dir, "#define a_width -8\n#define a_height 2\n" + tail));
  EXPECT_FALSE(OpenText(dir, "#define a_width 40000\n#define a_height 2\n" + tail));
  // Sides that promise far more constants than the file holds.
  EXPECT_FALSE(OpenText(dir, "#define a_width 32767\n#define a_height 32767\n" + tail));
}

// Files made by Pillow and ImageMagick, once for the suite.
struct XbmFiles {
  static void Make(const std::string& d) {
    const std::string script = R"PY(
import random
from PIL import Image
d = r')PY" + d + R"PY('
random.seed(2)
for w in (13, 8, 1, 17):
    im = Image.new('1', (w, 5))
    for x in range(w):
        for y in range(5):
            im.putpixel((x, y), random.randrange(2) * 255)
    im.save(d + 'pil_%d.xbm' % w)
    im.save(d + 'src_%d.png' % w)
)PY";
    ASSERT_TRUE(picstest::RunPython(script));
    for (int w : {13, 8, 1, 17})
      ASSERT_TRUE(picstest::RunCommand("/usr/bin/convert " + d + "src_" + std::to_string(w) +
                                       ".png " + d + "im_" + std::to_string(w) + ".xbm"));
  }
};
using XbmFromOtherTools = formatstest::FromOtherTools<XbmFiles>;

TEST_F(XbmFromOtherTools, FilesOfOddWidthsReadWithTheirPixels) {
  for (const char* name : {"pil_13.xbm", "pil_8.xbm", "pil_1.xbm", "pil_17.xbm", "im_13.xbm",
                           "im_8.xbm", "im_1.xbm", "im_17.xbm"}) {
    SCOPED_TRACE(name);
    PicturePtr picture(CPics::OpenPicture(Path(name).c_str()));
    ASSERT_TRUE(picture);
    // A set bit is black, as in ImageMagick; Pillow takes it as white.
    picstest::ExpectSamePixels(*picture, DecodeWithImageMagick(Path(name)));
  }
}

TEST(XbmWriting, ExactTextOfAnAllWhitePicture) {
  ScratchDir dir;
  HGLOBAL dib = picstest::MakeDib(16, 1, 1, {0x000000, 0xFFFFFF});
  std::memset(CPics::DIBImagePtr(GlobalLock(dib)), 0xFF, 2);
  GlobalUnlock(dib);
  PicturePtr picture = PictureFromDib(dib, PictureXBM);
  ASSERT_TRUE(picture);
  const std::string path = dir.Path("w.xbm");
  ASSERT_EQ(picture->SavePicture(path.c_str(), -1), 1);
  EXPECT_EQ(FileText(path),
            "#define count_width 16\n\r#define count_height 1\n\rstatic char count_bits[] = {\n\r"
            "0x00,0x00};\n\r");
}

TEST(XbmWriting, RowsEndInLineFeedCarriageReturnAndReadBackInOtherTools) {
  ScratchDir dir;
  PicturePtr picture = PictureFromDib(PatternDib(13, 3, 1), PictureXBM);
  ASSERT_TRUE(picture);
  const std::string path = dir.Path("p.xbm");
  ASSERT_EQ(picture->SavePicture(path.c_str(), -1), 1);
  const std::string text = FileText(path);
  const std::string header =
      "#define count_width 13\n\r#define count_height 3\n\rstatic char count_bits[] = {\n\r";
  ASSERT_EQ(text.substr(0, header.size()), header);
  // Three rows of two constants: "0x..,0x..,\n\r" twice, then "0x..,0x..};\n\r".
  const std::string body = text.substr(header.size());
  ASSERT_EQ(body.size(), 12u + 12u + 13u);
  EXPECT_EQ(body.substr(10, 2), "\n\r");
  EXPECT_EQ(body.substr(body.size() - 4), "};\n\r");
  PicturePtr back(CPics::OpenPicture(path.c_str()));
  ASSERT_TRUE(back);
  ExpectSameImage(PixelsOf(*back), PixelsOf(*picture));
  // ImageMagick wants each "#define" at the very start of a line, which the
  // carriage return after each line feed prevents; without them it reads the text.
  std::string lineFeeds;
  for (char c : text)
    if (c != '\r') lineFeeds += c;
  const std::string plain = dir.Path("plain.xbm");
  picstest::WriteBytes(plain, std::vector<std::uint8_t>(lineFeeds.begin(), lineFeeds.end()));
  ExpectSameImage(PixelsOf(*back), DecodeWithImageMagick(plain));
  // Pillow reads the same bits with black and white exchanged.
  picstest::RgbImage pillow = DecodeWithPillow(path);
  for (auto& v : pillow.rgb) v = std::uint8_t(255 - v);
  ExpectSameImage(PixelsOf(*back), pillow);
}

TEST(XbmWriting, OtherDepthsAreReducedToBlackAndWhite) {
  for (int bits : {4, 8, 24}) {
    SCOPED_TRACE(bits);
    ScratchDir dir;
    PicturePtr picture = PictureFromDib(PatternDib(11, 4, bits), PictureXBM);
    ASSERT_TRUE(picture);
    const std::string path = dir.Path("r.xbm");
    ASSERT_EQ(picture->SavePicture(path.c_str(), -1), 1);
    PicturePtr back(CPics::OpenPicture(path.c_str()));
    ASSERT_TRUE(back);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 11; ++x) {
        BYTE r, g, b;
        picture->GetRGB(x, y, &r, &g, &b);
        const bool dark = (30 * r + 59 * g + 11 * b) / 100 < 128;
        EXPECT_EQ(back->GetPixel(x, y), dark ? RGB(0, 0, 0) : RGB(255, 255, 255)) << x << "," << y;
      }
    EXPECT_EQ(picture->m_bitsPerPixel, bits);  // the picture itself keeps its depth
  }
}

TEST(XbmWriting, OneBitPictureWithWhiteFirstEntryKeepsItsLook) {
  ScratchDir dir;
  HGLOBAL dib = picstest::MakeDib(9, 2, 1, {0xFFFFFF, 0x000000});
  picstest::PutPixel(dib, 4, 1, 1);
  PicturePtr picture = PictureFromDib(dib, PictureXBM);
  ASSERT_TRUE(picture);
  const std::string path = dir.Path("i.xbm");
  ASSERT_EQ(picture->SavePicture(path.c_str(), -1), 1);
  PicturePtr back(CPics::OpenPicture(path.c_str()));
  ASSERT_TRUE(back);
  ExpectSameImage(PixelsOf(*back), PixelsOf(*picture));
}

}  // namespace
