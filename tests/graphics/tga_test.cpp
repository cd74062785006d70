// TGA files: every image type and depth that Pillow and ImageMagick write reads with
// their pixels, in either row order; the files we write have the documented layout
// and read the same in those tools; damaged files are refused cleanly.
#include <cstring>

#include "format_test_support.h"
#include "graphics/formats/tga/tga_reader.h"

using formatstest::DecodeWithImageMagick;
using formatstest::ExpectSameImage;
using formatstest::PatternDib;
using formatstest::PictureFromDib;
using formatstest::PixelsOf;
using formatstest::U16At;
using picstest::DecodeWithPillow;
using picstest::PicturePtr;
using picstest::ReadBytes;
using picstest::ScratchDir;
using picstest::WriteBytes;

namespace {

// Files made by Pillow and ImageMagick, once for the suite.
struct TgaFiles {
  static void Make(const std::string& d) {
    const std::string script = R"PY(
import random, struct
from PIL import Image
d = r')PY" + d + R"PY('
random.seed(5)
im = Image.new('RGB', (13, 7))
for x in range(13):
    for y in range(7):
        im.putpixel((x, y), (random.randrange(256), random.randrange(256), random.randrange(256)))
for x in range(2, 12):
    im.putpixel((x, 4), (10, 200, 30))
im.save(d + 'src.png')
pal = im.convert('P', palette=Image.ADAPTIVE, colors=40)
pal.save(d + 'pal.png')
for rle in (False, True):
    tag = '_rle' if rle else ''
    kw = {'compression': 'tga_rle'} if rle else {}
    im.save(d + 'pil_24%s.tga' % tag, **kw)
    im.convert('RGBA').save(d + 'pil_32%s.tga' % tag, **kw)
    im.convert('L').save(d + 'pil_grey%s.tga' % tag, **kw)
    pal.save(d + 'pil_8%s.tga' % tag, **kw)
    # the same rows stored top row first
    im.save(d + 'pil_24_top%s.tga' % tag, orientation=1, **kw)

# 16-bit pixels (5 bits a channel) and their expected colours: each value times 8.
w, h = 5, 3
ref = Image.new('RGB', (w, h))
rows = []
for y in range(h):
    row = b''
    for x in range(w):
        r, g, b = (x * 7) % 32, (y * 11 + x) % 32, (x + y * 5) % 32
        row += struct.pack('<H', (r << 10) | (g << 5) | b)
        ref.putpixel((x, y), (r * 8, g * 8, b * 8))
    rows.append(row)
hdr = struct.pack('<BBBHHBHHHHBB', 0, 0, 2, 0, 0, 0, 0, 0, w, h, 16, 0)
open(d + 'rgb_16.tga', 'wb').write(hdr + b''.join(reversed(rows)))
ref.save(d + 'rgb_16.png')
)PY";
    ASSERT_TRUE(picstest::RunPython(script));
    const std::string src = "/usr/bin/convert " + d + "src.png ";
    const std::string pal = "/usr/bin/convert " + d + "pal.png ";
    ASSERT_TRUE(picstest::RunCommand(src + d + "im_24.tga"));
    ASSERT_TRUE(picstest::RunCommand(src + "-compress RLE " + d + "im_24_rle.tga"));
    ASSERT_TRUE(
        picstest::RunCommand(src + "-alpha set -channel A -evaluate set 60% " + d + "im_32.tga"));
    ASSERT_TRUE(picstest::RunCommand(src + "-colorspace Gray " + d + "im_grey.tga"));
    ASSERT_TRUE(
        picstest::RunCommand(src + "-colorspace Gray -compress RLE " + d + "im_grey_rle.tga"));
    ASSERT_TRUE(picstest::RunCommand(pal + "-type Palette " + d + "im_8.tga"));
    ASSERT_TRUE(picstest::RunCommand(pal + "-type Palette -compress RLE " + d + "im_8_rle.tga"));
  }
};
using TgaFromOtherTools = formatstest::FromOtherTools<TgaFiles>;

TEST_F(TgaFromOtherTools, PillowFilesOfEveryTypeReadWithTheirPixels) {
  for (const char* name :
       {"pil_24.tga", "pil_24_rle.tga", "pil_32.tga", "pil_32_rle.tga", "pil_grey.tga",
        "pil_grey_rle.tga", "pil_8.tga", "pil_8_rle.tga", "pil_24_top.tga", "pil_24_top_rle.tga"}) {
    SCOPED_TRACE(name);
    PicturePtr picture(CPics::OpenPicture(Path(name).c_str()));
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->m_type, PictureTGA);
    picstest::ExpectSamePixels(*picture, DecodeWithPillow(Path(name)));
  }
}

TEST_F(TgaFromOtherTools, ImageMagickFilesOfEveryTypeReadWithTheirPixels) {
  for (const char* name : {"im_24.tga", "im_24_rle.tga", "im_32.tga", "im_grey.tga",
                           "im_grey_rle.tga", "im_8.tga", "im_8_rle.tga"}) {
    SCOPED_TRACE(name);
    PicturePtr picture(CPics::OpenPicture(Path(name).c_str()));
    ASSERT_TRUE(picture);
    // Alpha is dropped, not blended: compare colour channels as stored.
    picstest::ExpectSamePixels(*picture, DecodeWithPillow(Path(name)));
  }
}

TEST_F(TgaFromOtherTools, RowOrderFlagGivesTheSamePicture) {
  PicturePtr bottomUp(CPics::OpenPicture(Path("pil_24.tga").c_str()));
  PicturePtr topDown(CPics::OpenPicture(Path("pil_24_top.tga").c_str()));
  ASSERT_TRUE(bottomUp && topDown);
  EXPECT_EQ(ReadBytes(Path("pil_24_top.tga"))[17] & 0x20, 0x20);
  EXPECT_EQ(ReadBytes(Path("pil_24.tga"))[17] & 0x20, 0);
  ExpectSameImage(PixelsOf(*topDown), PixelsOf(*bottomUp));
}

TEST_F(TgaFromOtherTools, SixteenBitChannelsAreFiveBitValuesTimesEight) {
  PicturePtr picture(CPics::OpenPicture(Path("rgb_16.tga").c_str()));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->m_bitsPerPixel, 24);
  picstest::ExpectSamePixels(*picture, DecodeWithPillow(Path("rgb_16.png")));
}

TEST_F(TgaFromOtherTools, OpenFilesAreNotReadAsTga) {
  CFile file(Path("im_24.tga").c_str(), CFile::modeRead);
  EXPECT_EQ(CPics::OpenPicture(&file), nullptr);
}

// --- Hand-made files --------------------------------------------------------------------

std::vector<std::uint8_t> Header(int type, int depth, int width, int height, int descriptor = 0x20,
                                 int mapType = 0, int mapFirst = 0, int mapLength = 0,
                                 int mapBits = 0) {
  std::vector<std::uint8_t> h(18, 0);
  h[1] = std::uint8_t(mapType);
  h[2] = std::uint8_t(type);
  h[3] = std::uint8_t(mapFirst & 0xFF), h[4] = std::uint8_t(mapFirst >> 8);
  h[5] = std::uint8_t(mapLength & 0xFF), h[6] = std::uint8_t(mapLength >> 8);
  h[7] = std::uint8_t(mapBits);
  h[12] = std::uint8_t(width & 0xFF), h[13] = std::uint8_t(width >> 8);
  h[14] = std::uint8_t(height & 0xFF), h[15] = std::uint8_t(height >> 8);
  h[16] = std::uint8_t(depth);
  h[17] = std::uint8_t(descriptor);
  return h;
}

PicturePtr OpenBytes(const ScratchDir& dir, const std::vector<std::uint8_t>& bytes) {
  const std::string path = dir.Path("t.tga");
  WriteBytes(path, bytes);
  return PicturePtr(CPics::OpenPicture(path.c_str()));
}

TEST(TgaPackets, RepeatAndLiteralPacketsAndRunsAcrossRows) {
  ScratchDir dir;
  auto bytes = Header(10, 24, 3, 2);
  // 0x82: one pixel three times; then a repeat of 2 and a literal of 1 in row 2.
  bytes.insert(bytes.end(), {0x82, 1, 2, 3, 0x81, 9, 9, 9, 0x00, 7, 8, 9});
  PicturePtr picture = OpenBytes(dir, bytes);
  ASSERT_TRUE(picture);
  for (int x = 0; x < 3; ++x) EXPECT_EQ(picture->GetPixel(x, 0), RGB(3, 2, 1));
  EXPECT_EQ(picture->GetPixel(1, 1), RGB(9, 9, 9));
  EXPECT_EQ(picture->GetPixel(2, 1), RGB(9, 8, 7));

  // A packet of 5 grey pixels covers a row of 3 and goes on into the next.
  auto grey = Header(11, 8, 3, 2);
  grey.insert(grey.end(), {0x84, 50, 0x00, 60});
  PicturePtr carried = OpenBytes(dir, grey);
  ASSERT_TRUE(carried);
  EXPECT_EQ(carried->GetPixel(1, 1), RGB(50, 50, 50));
  EXPECT_EQ(carried->GetPixel(2, 1), RGB(60, 60, 60));
}

TEST(TgaColorMaps, EntriesPastIndex255AndUnknownSizesArePassedOver) {
  ScratchDir dir;
  // 300 entries from index 200: only 200..255 are kept, but all are skipped over.
  auto bytes = Header(1, 8, 2, 1, 0x20, 1, 200, 300, 24);
  for (int i = 0; i < 300; ++i) bytes.insert(bytes.end(), {std::uint8_t(i), 0, 0});
  bytes.insert(bytes.end(), {200, 255});
  PicturePtr picture = OpenBytes(dir, bytes);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->GetPixel(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(picture->GetPixel(1, 0), RGB(0, 0, 55));

  // Entries of 8 bits cannot be read but must still be skipped.
  auto odd = Header(1, 8, 2, 1, 0x20, 1, 0, 4, 8);
  odd.insert(odd.end(), {1, 2, 3, 4, 3, 0});
  PicturePtr skipped = OpenBytes(dir, odd);
  ASSERT_TRUE(skipped);
  EXPECT_EQ(skipped->GetIndex(0, 0), 3);
  EXPECT_EQ(skipped->GetIndex(1, 0), 0);
}

TEST(TgaColorMaps, OddEntrySizesAreSkippedByWholeBytesRoundedUp) {
  // A true-colour 16-bit picture carrying a map it does not use: 16 entries of 15 bits
  // take 2 bytes each, 5-bit entries 1 byte, 17-bit entries 3 bytes.
  ScratchDir dir;
  for (const auto& [bits, bytesEach] : {std::pair{15, 2}, {5, 1}, {17, 3}, {31, 4}}) {
    SCOPED_TRACE(bits);
    auto bytes = Header(2, 16, 2, 1, 0x20, 1, 0, 16, bits);
    bytes.insert(bytes.end(), std::size_t(16 * bytesEach), 0xAA);
    bytes.insert(bytes.end(), {0x00, 0x7C, 0x1F, 0x00});  // red, blue (x1rrrrrgggggbbbbb)
    PicturePtr picture = OpenBytes(dir, bytes);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->GetPixel(0, 0), RGB(248, 0, 0));
    EXPECT_EQ(picture->GetPixel(1, 0), RGB(0, 0, 248));
  }
}

TEST(TgaColorMaps, GreyAndMaplessEightBitPicturesGetAGreyRamp) {
  ScratchDir dir;
  auto bytes = Header(3, 8, 2, 1);
  bytes.insert(bytes.end(), {17, 240});
  PicturePtr picture = OpenBytes(dir, bytes);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->GetPixel(0, 0), RGB(17, 17, 17));
  EXPECT_EQ(picture->GetPixel(1, 0), RGB(240, 240, 240));
}

TEST(TgaDamaged, ShortOrImpossibleFilesAreRefused) {
  ScratchDir dir;
  auto raw = Header(2, 24, 4, 4);
  raw.resize(raw.size() + 4 * 4 * 3 - 1);  // one byte short
  EXPECT_FALSE(OpenBytes(dir, raw));
  auto packets = Header(10, 24, 4, 4);
  packets.insert(packets.end(), {0x8F, 1, 2});  // the repeated pixel is cut off
  EXPECT_FALSE(OpenBytes(dir, packets));
  EXPECT_FALSE(OpenBytes(dir, Header(2, 24, 0, 4)));      // no width
  EXPECT_FALSE(OpenBytes(dir, Header(2, 24, 40000, 4)));  // wider than a picture can be
  EXPECT_FALSE(OpenBytes(dir, Header(1, 16, 4, 4)));      // colour-mapped with 16-bit indices
  auto huge = Header(10, 32, 32767, 32767);
  huge.insert(huge.end(), {0xFF, 1, 2, 3, 4});
  EXPECT_FALSE(OpenBytes(dir, huge));  // refused before memory is set aside
  auto idCut = Header(2, 24, 1, 1);
  idCut[0] = 200;  // identification field longer than the file
  EXPECT_FALSE(OpenBytes(dir, idCut));
}

// --- Writing ----------------------------------------------------------------------------

TEST(TgaWriting, EightBitPictureLayout) {
  ScratchDir dir;
  PicturePtr picture = PictureFromDib(PatternDib(3, 2, 8), PictureTGA);
  ASSERT_TRUE(picture);
  const std::string path = dir.Path("p.tga");
  ASSERT_EQ(picture->SavePicture(path.c_str(), -1), 1);
  const auto bytes = ReadBytes(path);
  ASSERT_EQ(bytes.size(), 792u);
  const std::vector<std::uint8_t> header(bytes.begin(), bytes.begin() + 18);
  EXPECT_EQ(header,
            (std::vector<std::uint8_t>{0, 1, 1, 0, 0, 0, 1, 24, 0, 0, 0, 0, 3, 0, 2, 0, 8, 0x20}));
  BYTE rgb[768] = {};
  CPics::GetDIBPalette(picture->m_hDIB, rgb);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(bytes[18 + 3 * i], rgb[3 * i + 2]);
    EXPECT_EQ(bytes[18 + 3 * i + 2], rgb[3 * i]);
  }
  // top row first
  for (int x = 0; x < 3; ++x) EXPECT_EQ(bytes[786 + x], picture->GetIndex(x, 0));
}

TEST(TgaWriting, TrueColourPictureLayout) {
  ScratchDir dir;
  PicturePtr picture = PictureFromDib(PatternDib(2, 2, 24), PictureTGA);
  ASSERT_TRUE(picture);
  const std::string path = dir.Path("p.tga");
  ASSERT_EQ(picture->SavePicture(path.c_str(), -1), 1);
  const auto bytes = ReadBytes(path);
  ASSERT_EQ(bytes.size(), 30u);
  EXPECT_EQ(bytes[1], 0);
  EXPECT_EQ(bytes[2], 2);
  EXPECT_EQ(bytes[16], 24);
  EXPECT_EQ(bytes[17], 0x20);
  EXPECT_EQ(U16At(bytes, 12), 2u);
  BYTE r, g, b;
  picture->GetRGB(1, 0, &r, &g, &b);
  EXPECT_EQ(bytes[18 + 3], b);
  EXPECT_EQ(bytes[18 + 5], r);
}

TEST(TgaWriting, OurFilesReadTheSameInPillowAndImageMagick) {
  // Four-bit pictures are widened to one index a byte; one-bit ones stay one bit.
  for (int bits : {4, 8, 24, 1}) {
    SCOPED_TRACE(bits);
    ScratchDir dir;
    PicturePtr picture = PictureFromDib(PatternDib(13, 7, bits), PictureTGA);
    ASSERT_TRUE(picture);
    const std::string path = dir.Path("ours.tga");
    ASSERT_EQ(picture->SavePicture(path.c_str(), -1), 1);
    const auto bytes = ReadBytes(path);
    EXPECT_EQ(bytes[16], bits == 4 ? 8 : bits);
    PicturePtr back(CPics::OpenPicture(path.c_str()));
    ASSERT_TRUE(back);
    ExpectSameImage(PixelsOf(*back), PixelsOf(*picture));
    ExpectSameImage(PixelsOf(*back), DecodeWithPillow(path));
    // ImageMagick has no reader for one-bit TGA files.
    if (bits != 1) ExpectSameImage(PixelsOf(*back), DecodeWithImageMagick(path));
  }
}

TEST(TgaWriting, OneBitPictureWithLightFirstEntryKeepsItsLook) {
  ScratchDir dir;
  HGLOBAL dib = picstest::MakeDib(9, 2, 1, {0xFFFFFF, 0x000000});
  picstest::PutPixel(dib, 3, 0, 1);
  PicturePtr picture = PictureFromDib(dib, PictureTGA);
  ASSERT_TRUE(picture);
  const std::string path = dir.Path("mono.tga");
  ASSERT_EQ(picture->SavePicture(path.c_str(), -1), 1);
  PicturePtr back(CPics::OpenPicture(path.c_str()));
  ASSERT_TRUE(back);
  ExpectSameImage(PixelsOf(*back), PixelsOf(*picture));
}

}  // namespace
