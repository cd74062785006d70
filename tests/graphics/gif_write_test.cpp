// Writing GIF files: the header fields and table sizes, the run-length code stream
// (checked code by code and by Pillow and ImageMagick reading it back), transparency,
// interlace, DIB sections, and the settings and failures that stop a save.
#include <cmath>
#include <cstring>
#include <random>

#include "format_test_support.h"
#include "gif_test_support.h"
#include "graphics/formats/gif/gif_indexed_image.h"
#include "graphics/formats/gif/gif_run_length_encoder.h"
#include "graphics/formats/gif/gif_writer.h"

using formatstest::DecodeWithImageMagick;
using formatstest::ExpectSameImage;
using formatstest::PatternDib;
using formatstest::PictureFromDib;
using formatstest::PixelsOf;
using formatstest::U16At;
using graphics::GifIndexedImage;
using picstest::DecodeWithPillow;
using picstest::PicturePtr;
using picstest::ReadBytes;
using picstest::ScratchDir;

namespace {

// Top-down RGB of an indexed image through its colour table.
picstest::RgbImage RgbOf(const GifIndexedImage& image) {
  picstest::RgbImage rgb;
  rgb.width = image.width();
  rgb.height = image.height();
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const int i = image.GetPixel(x, y);
      rgb.rgb.insert(rgb.rgb.end(), {image.red(i), image.green(i), image.blue(i)});
    }
  return rgb;
}

void FillPalette(GifIndexedImage& image, int colors) {
  for (int i = 0; i < colors; ++i) image.AllocateColor(BYTE(i * 37), BYTE(255 - i), BYTE(i * 91));
}

std::size_t CodeSizeOffset(const std::vector<std::uint8_t>& file) {
  return giftest::ImageDescriptorOffset(file) + 10;
}

class GifWriting : public ::testing::Test {
 protected:
  std::string Save(HGLOBAL dib, const std::string& name) {
    PicturePtr picture = PictureFromDib(dib, PictureGIF);
    EXPECT_TRUE(picture);
    if (!picture) return {};
    EXPECT_EQ(picture->SavePicture(dir.Path(name).c_str(), -1), 1);
    return dir.Path(name);
  }
  ScratchDir dir;
};

TEST_F(GifWriting, ScreenIsOneSmallerAndTheFileReadsBackAsOurs) {
  const std::string path = Save(PatternDib(13, 7, 8), "pattern.gif");
  const auto bytes = ReadBytes(path);
  ASSERT_GT(bytes.size(), 13u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF87a");
  EXPECT_EQ(U16At(bytes, 6), 12u);
  EXPECT_EQ(U16At(bytes, 8), 6u);
  EXPECT_EQ(bytes[10], 0xF7);  // global table of 256 entries, 8 bits of colour resolution
  EXPECT_EQ(bytes.back(), ';');

  ASSERT_EQ(CPics::GifImageDisplayEnable, 0);
  PicturePtr back(CPics::OpenPicture(path.c_str()));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->m_bEnabled, 1);
  EXPECT_EQ(back->IsPictureDisabled(), 0);
  PicturePtr original = PictureFromDib(PatternDib(13, 7, 8), PictureBMP);
  ExpectSameImage(PixelsOf(*back), PixelsOf(*original));
}

TEST_F(GifWriting, TableSizeAndCodeSizeFollowTheDepth) {
  struct Case {
    int bits;
    BYTE flags;
    int codeSize;
  };
  for (const Case& c : {Case{1, 0x80, 2}, Case{4, 0xB3, 4}, Case{8, 0xF7, 8}}) {
    SCOPED_TRACE(c.bits);
    const auto bytes = ReadBytes(Save(PatternDib(9, 5, c.bits), "depth.gif"));
    ASSERT_GT(bytes.size(), 13u);
    EXPECT_EQ(bytes[10], c.flags);
    EXPECT_EQ(bytes[13 + 3 * (1 << c.bits)], ',');  // the table has 2^bits entries
    EXPECT_EQ(bytes[CodeSizeOffset(bytes)], c.codeSize);
  }
}

TEST_F(GifWriting, TransparentColourWritesAControlExtensionWithTheNearestEntry) {
  PicturePtr picture = PictureFromDib(PatternDib(6, 4, 4), PictureGIF);
  ASSERT_TRUE(picture);
  // Entry 5 of the pattern palette is (185, 250, 199); ask for a colour close to it.
  picture->m_bTransparent = 1;
  picture->m_transparentColor = RGB(183, 251, 197) | 0x2000000u;
  ASSERT_EQ(picture->SavePicture(dir.Path("t.gif").c_str(), -1), 1);
  const auto bytes = ReadBytes(dir.Path("t.gif"));
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
  const std::size_t gce = 13 + 3 * 16;
  const std::vector<std::uint8_t> control(bytes.begin() + long(gce), bytes.begin() + long(gce + 8));
  EXPECT_EQ(control, (std::vector<std::uint8_t>{'!', 0xF9, 4, 1, 0, 0, 5, 0}));

  PicturePtr back(CPics::OpenPicture(dir.Path("t.gif").c_str()));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->m_bTransparent, 1);
  EXPECT_EQ(back->m_transparentColor, RGB(185, 250, 199) | 0x2000000u);
}

TEST(GifRunLengthCoding, SingleColourTenByTenIsCodedThroughTheRunTable) {
  ScratchDir dir;
  GifIndexedImage image;
  ASSERT_TRUE(image.Create(10, 10));
  image.AllocateColor(10, 20, 30);
  ASSERT_TRUE(graphics::SaveGifFile(dir.Path("one.gif").c_str(), image));
  // Clear, the pixel, then runs of 2, 3, ... 13 (codes 6 to 17), the last 9 pixels as
  // a run of 9 (code 13): 91 + 9 = 100 pixels. Past the clear threshold a clear
  // follows, then the end code.
  std::vector<int> expected = {4, 0};
  for (int code = 6; code <= 17; ++code) expected.push_back(code);
  expected.insert(expected.end(), {13, 4, 5});
  EXPECT_EQ(giftest::ImageCodes(ReadBytes(dir.Path("one.gif"))), expected);

  PicturePtr back(CPics::OpenPicture(dir.Path("one.gif").c_str()));
  ASSERT_TRUE(back);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(back->GetPixel(i % 10, i / 10), RGB(10, 20, 30));
}

TEST(GifRunLengthCoding, TriangleCostIsTheFewestRunCodes) {
  using Encoder = graphics::GifRunLengthEncoder;
  for (unsigned v = 0; v < 200000; v += (v < 5000 ? 1 : 97)) {
    const unsigned root = Encoder::IntegerSquareRoot(v);
    ASSERT_LE(std::uint64_t(root) * root, v) << v;
    ASSERT_GT(std::uint64_t(root + 1) * (root + 1), v) << v;
  }
  // Runs 1, 2, 3, ...: 1 pixel takes 1 code, 3 take 2, 6 take 3, 7 take 4.
  EXPECT_EQ(Encoder::TriangleCost(1, 4089), 1u);
  EXPECT_EQ(Encoder::TriangleCost(3, 4089), 2u);
  EXPECT_EQ(Encoder::TriangleCost(6, 4089), 3u);
  EXPECT_EQ(Encoder::TriangleCost(7, 4089), 4u);
  // With a table of three run codes the runs start over: 6 + 6 + 1 pixels.
  EXPECT_EQ(Encoder::TriangleCost(13, 3), 7u);
}

// Pictures that drive every path of the coder: long and short runs of one index or
// of alternating ones, for every code size, large enough to fill the decoder's table
// many times over. Pillow must read each exactly.
TEST(GifRunLengthCoding, StreamsOfEveryCodeSizeReadExactlyInPillow) {
  ScratchDir dir;
  std::mt19937 random(99);
  std::vector<std::string> paths;
  std::vector<picstest::RgbImage> expected;
  for (const int colors : {2, 3, 4, 8, 16, 32, 64, 128, 256}) {
    GifIndexedImage image;
    ASSERT_TRUE(image.Create(317, 211));
    FillPalette(image, colors);
    int x = 0, y = 0;
    int pixel = 0;
    while (y < image.height()) {
      const int kind = int(random() % 4);
      const int length = kind == 0   ? 1 + int(random() % 3)
                         : kind == 1 ? int(random() % 200)
                                     : int(random() % 5000);
      if (kind != 2)
        pixel = int(random() % unsigned(colors));  // kind 2 repeats the last run's index
      for (int i = 0; i < length && y < image.height(); ++i) {
        image.SetPixel(x, y, pixel);
        if (++x == image.width()) x = 0, ++y;
      }
    }
    image.SetInterlace(colors % 3 == 1);
    paths.push_back(dir.Path("runs_" + std::to_string(colors) + ".gif"));
    ASSERT_TRUE(graphics::SaveGifFile(paths.back().c_str(), image));
    expected.push_back(RgbOf(image));
  }
  ASSERT_TRUE(picstest::DecodeAllWithPillow(paths));
  for (std::size_t i = 0; i < paths.size(); ++i) {
    SCOPED_TRACE(paths[i]);
    ExpectSameImage(picstest::LoadRgb(paths[i] + ".rgb"), expected[i]);
    PicturePtr ours(CPics::OpenPicture(paths[i].c_str()));
    ASSERT_TRUE(ours);
    ExpectSameImage(PixelsOf(*ours), expected[i]);
  }
}

TEST_F(GifWriting, OtherToolsReadOurFilesWithTheSamePixels) {
  for (const int bits : {1, 4, 8, 24}) {
    SCOPED_TRACE(bits);
    const std::string path =
        Save(PatternDib(37, 19, bits), "ours_" + std::to_string(bits) + ".gif");
    PicturePtr ours(CPics::OpenPicture(path.c_str()));
    ASSERT_TRUE(ours);
    const picstest::RgbImage pixels = PixelsOf(*ours);
    if (bits <= 8) {
      PicturePtr original = PictureFromDib(PatternDib(37, 19, bits), PictureBMP);
      ExpectSameImage(pixels, PixelsOf(*original));
    }
    ExpectSameImage(DecodeWithPillow(path), pixels);
    ExpectSameImage(DecodeWithImageMagick(path), pixels);
  }
}

TEST_F(GifWriting, SavingIsRefusedWhenSwitchedOffOrWithoutAPicture) {
  PicturePtr picture = PictureFromDib(PatternDib(5, 5, 8), PictureGIF);
  ASSERT_TRUE(picture);
  CPics::GifImageSaveEnable = 0;
  const int saved = picture->SavePicture(dir.Path("off.gif").c_str(), -1);
  const int copied = picture->CopyDib(nullptr);
  CPics::GifImageSaveEnable = 1;
  EXPECT_EQ(saved, 0);
  EXPECT_EQ(copied, 0);
  EXPECT_FALSE(std::filesystem::exists(dir.Path("off.gif")));

  PicturePtr empty(CPics::CreatePicture(dir.Path("empty.gif").c_str(), PictureGIF));
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->SavePicture(dir.Path("empty.gif").c_str(), -1), 0);
}

TEST_F(GifWriting, UnwritablePlaceFailsAndAnOldFileStays) {
  PicturePtr picture = PictureFromDib(PatternDib(5, 5, 8), PictureGIF);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->SavePicture(dir.Path("no/such/folder/x.gif").c_str(), -1), 0);
  // Saving through SavePictureAs from another format reaches the same writer.
  PicturePtr bmp = PictureFromDib(PatternDib(5, 5, 24), PictureBMP);
  ASSERT_TRUE(bmp);
  EXPECT_EQ(bmp->SavePictureAs(dir.Path("from_bmp.gif").c_str(), -1), 1);
  EXPECT_EQ(CPics::PictureType(dir.Path("from_bmp.gif").c_str()), PictureGIF);
}

// --- DIB sections ------------------------------------------------------------------------

struct Section {
  HBITMAP bitmap = nullptr;
  BYTE* bits = nullptr;
  int stride = 0;
  Section(int width, int height, int depth) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = 40;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = WORD(depth);
    void* pixels = nullptr;
    bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    bits = static_cast<BYTE*>(pixels);
    stride = (width * depth + 31) / 32 * 4;
  }
  ~Section() {
    if (bitmap) DeleteObject(bitmap);
  }
};

TEST(GifDibSection, EightBitSectionIsWrittenBottomUpWithTheCallersColours) {
  ScratchDir dir;
  Section section(7, 3, 8);
  ASSERT_NE(section.bitmap, nullptr);
  // Stored row 0 is the bottom row of the picture.
  for (int row = 0; row < 3; ++row)
    for (int x = 0; x < 7; ++x) section.bits[row * section.stride + x] = BYTE((row * 7 + x) % 4);
  RGBQUAD colors[4] = {
      {0, 0, 0, 0}, {255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}};  // blue, green, red
  GIFSaveOptions options{1, 1, 255, 0, 0};  // transparent green (green, blue, red), interlaced
  ASSERT_EQ(
      CPics::SaveDIBSECTIONasGIF(section.bitmap, dir.Path("s.gif").c_str(), &options, colors, 4),
      1);

  const auto bytes = ReadBytes(dir.Path("s.gif"));
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
  EXPECT_EQ(bytes[13 + 12 + 6], 2);                                   // transparent index: green
  EXPECT_EQ(bytes[giftest::ImageDescriptorOffset(bytes) + 9], 0x40);  // interlaced

  const picstest::RgbImage pillow = DecodeWithPillow(dir.Path("s.gif"));
  ASSERT_EQ(pillow.width, 7);
  const std::uint8_t rgb[4][3] = {{0, 0, 0}, {0, 0, 255}, {0, 255, 0}, {255, 0, 0}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x)
      EXPECT_EQ(0, std::memcmp(pillow.At(x, y), rgb[((2 - y) * 7 + x) % 4], 3)) << x << "," << y;
}

TEST(GifDibSection, OtherDepthsAndMissingColoursAreHandled) {
  ScratchDir dir;
  Section deep(4, 4, 24);
  ASSERT_NE(deep.bitmap, nullptr);
  EXPECT_EQ(
      CPics::SaveDIBSECTIONasGIF(deep.bitmap, dir.Path("deep.gif").c_str(), nullptr, nullptr, 0),
      0);
  EXPECT_FALSE(std::filesystem::exists(dir.Path("deep.gif")));

  // Two colours given, but the pixels use index 200: the table grows to hold it.
  Section section(3, 1, 8);
  ASSERT_NE(section.bitmap, nullptr);
  section.bits[0] = 0, section.bits[1] = 1, section.bits[2] = 200;
  RGBQUAD colors[2] = {{9, 9, 9, 0}, {200, 100, 50, 0}};
  GIFSaveOptions options{1, 0, 1, 2, 3};  // a transparent colour that is not in the table
  ASSERT_EQ(
      CPics::SaveDIBSECTIONasGIF(section.bitmap, dir.Path("wide.gif").c_str(), &options, colors, 2),
      1);
  const auto bytes = ReadBytes(dir.Path("wide.gif"));
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF87a");
  EXPECT_EQ(bytes[10], 0xF7);
  PicturePtr back(CPics::OpenPicture(dir.Path("wide.gif").c_str()));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->GetIndex(2, 0), 200);
  EXPECT_EQ(back->GetPixel(1, 0), RGB(50, 100, 200));
}

// --- The indexed image ---------------------------------------------------------------

TEST(GifIndexedImageColours, AllocationStopsAt256AndReusesFreedEntries) {
  GifIndexedImage image;
  ASSERT_TRUE(image.Create(2, 2));
  for (int i = 0; i < 256; ++i) ASSERT_EQ(image.AllocateColor(BYTE(i), 0, 0), i);
  EXPECT_EQ(image.AllocateColor(1, 2, 3), -1);
  EXPECT_EQ(image.ExactColor(7, 0, 0), 7);
  image.FreeColor(7);
  EXPECT_EQ(image.ExactColor(7, 0, 0), -1);
  EXPECT_EQ(image.AllocateColor(1, 2, 3), 7);
  EXPECT_EQ(image.ExactColor(1, 2, 3), 7);
  EXPECT_EQ(image.colors(), 256);
}

TEST(GifIndexedImageColours, PixelsOutsideTheImageReadAsZero) {
  GifIndexedImage image;
  EXPECT_FALSE(image.Create(0, 3));
  EXPECT_FALSE(image.Create(70000, 1));
  ASSERT_TRUE(image.Create(3, 2));
  image.SetPixel(2, 1, 9);
  image.SetPixel(3, 1, 9);   // outside: ignored
  image.SetPixel(-1, 0, 9);  // outside: ignored
  EXPECT_EQ(image.GetPixel(2, 1), 9);
  EXPECT_EQ(image.GetPixel(3, 1), 0);
  EXPECT_EQ(image.GetPixel(0, -1), 0);
  EXPECT_EQ(image.transparent(), -1);
  EXPECT_FALSE(image.interlaced());
}

}  // namespace
