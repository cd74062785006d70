// JPEG pictures through the picture object: decoding at construction (by name and
// from an open file), the option strings, saving through a temporary BMP file, and
// the temporary files left behind (none).
#include <gtest/gtest.h>

#include <filesystem>

#include "graphics/formats/jpeg/jpeg.h"
#include "graphics/platform/display.h"
#include "jpeg_test_support.h"

namespace {

using jpegtest::Args;
using jpegtest::MakeReferenceJpeg;
using jpegtest::PrivateTempFolder;
using jpegtest::RunReference;
using picstest::PicturePtr;
using picstest::ReadBytes;
using picstest::ScratchDir;

class JpegPicture : public testing::Test {
 protected:
  PrivateTempFolder temp;
  ScratchDir dir;
  std::string jpeg = MakeReferenceJpeg(dir, "photo.jpg", {});

  picstest::RgbImage Reference(const Args& switches) {
    const std::string bmp = dir.Path("reference.bmp");
    EXPECT_TRUE(RunReference("djpeg", switches, jpeg, bmp));
    return picstest::DecodeWithPillow(bmp);
  }
  void ExpectNoLeftovers() { EXPECT_TRUE(temp.Leftovers().empty()) << temp.Leftovers().front(); }
};

TEST_F(JpegPicture, OpensWithTheReferencePixels) {
  PicturePtr picture(CPics::OpenPicture(jpeg.c_str()));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->m_type, PictureJPEG);
  EXPECT_EQ(picture->m_bitsPerPixel, 24);
  EXPECT_STREQ(picture->m_szFileName, jpeg.c_str());
  picstest::ExpectSamePixels(*picture, Reference({"-bmp"}));
  ExpectNoLeftovers();
}

TEST_F(JpegPicture, DecoderOptionsAreSplitOnSpaces) {
  PicturePtr picture(CPics::OpenPicture(jpeg.c_str(), 0, "   -grayscale    -scale  1/2  "));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->m_bitsPerPixel, 8);
  EXPECT_STREQ(picture->m_szDecoderOptions, "   -grayscale    -scale  1/2  ");
  picstest::ExpectSamePixels(*picture, Reference({"-bmp", "-grayscale", "-scale", "1/2"}));
}

TEST_F(JpegPicture, QuantisingOptionsGiveAColourMappedPicture) {
  PicturePtr picture(CPics::OpenPicture(jpeg.c_str(), 0, "-colors 64 -dither ordered -onepass"));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->m_bitsPerPixel, 8);
  picstest::ExpectSamePixels(
      *picture, Reference({"-bmp", "-colors", "64", "-dither", "ordered", "-onepass"}));
}

TEST(JpegArguments, VectorHoldsProgramBmpSwitchWordsAndBothFiles) {
  const auto words =
      graphics::DecodeArguments("  -grayscale   -scale 1/2  ", "in.jpg", "/tmp/_W_x").Words();
  EXPECT_EQ(words, (std::vector<std::string>{"Corvane", "-bmp", "-grayscale", "-scale", "1/2",
                                             "in.jpg", "/tmp/_W_x"}));
  EXPECT_EQ(graphics::DecodeArguments("", "in.jpg", "out").Words(),
            (std::vector<std::string>{"Corvane", "-bmp", "in.jpg", "out"}));
  // Only the space separates; at most 50 words are taken.
  EXPECT_EQ(graphics::SplitOptionWords("a\tb  c"), (std::vector<std::string>{"a\tb", "c"}));
  std::string many;
  for (int i = 0; i < 60; ++i) many += " w" + std::to_string(i);
  const auto split = graphics::SplitOptionWords(many.c_str());
  ASSERT_EQ(split.size(), 50u);
  EXPECT_EQ(split.back(), "w49");
  EXPECT_TRUE(graphics::SplitOptionWords(nullptr).empty());
}

TEST_F(JpegPicture, FailedLoadsLeaveNoPictureAndNoTemporaryFiles) {
  // -outfile leaves room for one file argument only, so the front end refuses the list.
  EXPECT_FALSE(
      PicturePtr(CPics::OpenPicture(jpeg.c_str(), 0, ("-outfile " + dir.Path("x.bmp")).c_str())));
  EXPECT_FALSE(std::filesystem::exists(dir.Path("x.bmp")));
  // A JPEG signature over garbage: the library's fatal error is contained.
  picstest::WriteBytes(dir.Path("bad.jpg"), {0xFF, 0xD8, 0xFF, 0xE0, 0, 3, 'x', 0xFF, 0xC0, 0, 2});
  EXPECT_FALSE(PicturePtr(CPics::OpenPicture(dir.Path("bad.jpg").c_str())));
  // Unknown switches and output formats the picture object cannot read back.
  EXPECT_FALSE(PicturePtr(CPics::OpenPicture(jpeg.c_str(), 0, "-nonsense")));
  EXPECT_FALSE(PicturePtr(CPics::OpenPicture(jpeg.c_str(), 0, "-pnm")));
  ExpectNoLeftovers();
}

TEST_F(JpegPicture, PicturesOverTheSizeBoundAreRefused) {
  const graphics::JpegDecodeLimits saved = graphics::PictureDecodeLimits();
  graphics::PictureDecodeLimits().maxOutputSide = 40;
  EXPECT_FALSE(PicturePtr(CPics::OpenPicture(jpeg.c_str())));
  PicturePtr scaled(CPics::OpenPicture(jpeg.c_str(), 0, "-scale 1/4"));  // 21 x 16 fits
  graphics::PictureDecodeLimits() = saved;
  ASSERT_TRUE(scaled);
  EXPECT_EQ(scaled->m_width, 21);
  ExpectNoLeftovers();
}

TEST_F(JpegPicture, OpensFromAnOpenFileAndRewindsIt) {
  CFile file;
  ASSERT_TRUE(file.Open(jpeg.c_str(), CFile::modeRead | CFile::typeBinary));
  PicturePtr picture(CPics::OpenPicture(&file, 0, "-grayscale"));
  ASSERT_TRUE(picture);
  EXPECT_EQ(file.GetPosition(), 0u);
  EXPECT_EQ(picture->m_type, PictureJPEG);
  picstest::ExpectSamePixels(*picture, Reference({"-bmp", "-grayscale"}));

  CFile bad;
  picstest::WriteBytes(dir.Path("bad.jpg"), {0xFF, 0xD8, 0xFF, 0xDB, 0, 1, 2, 3});
  ASSERT_TRUE(bad.Open(dir.Path("bad.jpg").c_str(), CFile::modeRead | CFile::typeBinary));
  EXPECT_FALSE(PicturePtr(CPics::OpenPicture(&bad)));
  ExpectNoLeftovers();
}

TEST_F(JpegPicture, PaletteDisplaysGetTheLoadStepsDithering) {
  const graphics::DisplayDescription saved = graphics::CurrentDisplay();
  graphics::SetDisplay(graphics::PaletteDisplay8());
  PicturePtr fromJpeg(CPics::OpenPicture(jpeg.c_str(), 1));
  graphics::SetDisplay(saved);
  ASSERT_TRUE(fromJpeg);
  EXPECT_EQ(fromJpeg->m_bitsPerPixel, 8);
  EXPECT_EQ(fromJpeg->m_dither, 1);
  EXPECT_NE(fromJpeg->m_PaletteBuffer, nullptr);
}

TEST_F(JpegPicture, SavesLikeTheReferenceCompressor) {
  const std::string bmp = dir.Path("photo.bmp");
  jpegtest::WritePhotoBmp(bmp, 3780);
  PicturePtr picture(CPics::OpenPicture(bmp.c_str()));
  ASSERT_TRUE(picture);
  // The BMP the library hands the compressor is its own BMP writing of the picture.
  ASSERT_EQ(picture->SavePictureAs(dir.Path("written.bmp").c_str(), PictureBMP), 1);

  for (const char* options :
       {"", "-quality 50 -optimize", "  -progressive   -sample 1x1 ", "-grayscale"}) {
    picture->SetEncoderOptions(options);
    ASSERT_EQ(picture->SavePictureAs(dir.Path("ours.jpg").c_str(), PictureByExtension), 1)
        << options;
    Args switches;
    for (const std::string& word : graphics::SplitOptionWords(options)) switches.push_back(word);
    ASSERT_TRUE(RunReference("cjpeg", switches, dir.Path("written.bmp"), dir.Path("theirs.jpg")));
    EXPECT_EQ(ReadBytes(dir.Path("ours.jpg")), ReadBytes(dir.Path("theirs.jpg"))) << options;
  }
  ExpectNoLeftovers();
}

TEST_F(JpegPicture, SaveWritesToItsOwnNameAndReloads) {
  PicturePtr photo(CPics::OpenPicture(jpeg.c_str()));
  ASSERT_TRUE(photo);
  const std::string target = dir.Path("copy.JPG");
  PicturePtr copy(CPics::CreatePicture(target.c_str(), PictureByExtension));
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->SavePicture(nullptr, PictureJPEG), 0);  // nothing loaded yet
  EXPECT_EQ(copy->LoadPicture(0), 0);
  *copy = *photo;
  copy->m_type = PictureJPEG;
  ASSERT_EQ(copy->SavePicture(nullptr, PictureJPEG), 1);
  PicturePtr reloaded(CPics::OpenPicture(target.c_str()));
  ASSERT_TRUE(reloaded);
  EXPECT_EQ(reloaded->m_width, photo->m_width);
  EXPECT_EQ(reloaded->m_height, photo->m_height);
  ExpectNoLeftovers();
}

TEST_F(JpegPicture, FailedSavesReturnZeroAndLeaveNothing) {
  PicturePtr photo(CPics::OpenPicture(jpeg.c_str()));
  ASSERT_TRUE(photo);
  EXPECT_EQ(photo->SavePictureAs(dir.Path("missing/out.jpg").c_str(), PictureJPEG), 0);
  photo->SetEncoderOptions("-quality");  // value missing: the compressor refuses the list
  EXPECT_EQ(photo->SavePictureAs(dir.Path("out.jpg").c_str(), PictureJPEG), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.Path("out.jpg")));
  ExpectNoLeftovers();
}

TEST_F(JpegPicture, SavesPicturesOfFewBits) {
  HGLOBAL dib = picstest::MakeDib(30, 20, 1, {0x000000, 0xFFFFFF});
  for (int x = 0; x < 30; ++x) picstest::PutPixel(dib, x, x % 20, 1);
  PicturePtr picture(CPics::CreatePicture(dib, PictureJPEG, 0));
  ASSERT_TRUE(picture);
  ASSERT_EQ(picture->SavePicture(dir.Path("mono.jpg").c_str(), PictureJPEG), 1);
  PicturePtr reloaded(CPics::OpenPicture(dir.Path("mono.jpg").c_str()));
  ASSERT_TRUE(reloaded);
  EXPECT_EQ(reloaded->m_bitsPerPixel, 8);  // a black-and-white picture compresses as grey
  ExpectNoLeftovers();
}

TEST_F(JpegPicture, EncoderIsOpenToTheHost) {
  const std::string bmp = dir.Path("photo.bmp");
  jpegtest::WritePhotoBmp(bmp);
  std::vector<std::string> words = {"host", "-quality", "30", bmp, dir.Path("host.jpg")};
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  EXPECT_EQ(CPics::JpegEncoder(static_cast<int>(argv.size()), argv.data()), 1);
  ASSERT_TRUE(RunReference("cjpeg", {"-quality", "30"}, bmp, dir.Path("theirs.jpg")));
  EXPECT_EQ(ReadBytes(dir.Path("host.jpg")), ReadBytes(dir.Path("theirs.jpg")));
  EXPECT_EQ(CPics::JpegEncoder(2, argv.data()), 0);
}

}  // namespace

namespace {

// The pics tool passes its option strings to the JPEG coder both ways.
TEST(PicsConvertJpeg, PassesDecoderAndEncoderOptions) {
  const std::string pics = std::string(BUILD_DIR) + "/bin/pics";
  if (!std::filesystem::exists(pics)) FAIL() << "pics is not built";
  ScratchDir dir;
  const std::string jpeg = MakeReferenceJpeg(dir, "photo.jpg", {});
  ASSERT_TRUE(picstest::RunCommand(pics + " convert " + jpeg + " " + dir.Path("grey.bmp") +
                                   " --decoder-options '-grayscale -scale 1/2' 2>/dev/null"));
  ASSERT_TRUE(
      RunReference("djpeg", {"-bmp", "-grayscale", "-scale", "1/2"}, jpeg, dir.Path("theirs.bmp")));
  EXPECT_EQ(picstest::DecodeWithPillow(dir.Path("grey.bmp")).rgb,
            picstest::DecodeWithPillow(dir.Path("theirs.bmp")).rgb);

  ASSERT_TRUE(picstest::RunCommand(pics + " convert " + dir.Path("grey.bmp") + " " +
                                   dir.Path("again.jpg") +
                                   " --encoder-options '-quality 40 -optimize' 2>/dev/null"));
  ASSERT_TRUE(RunReference("cjpeg", {"-quality", "40", "-optimize"}, dir.Path("grey.bmp"),
                           dir.Path("theirs.jpg")));
  EXPECT_EQ(ReadBytes(dir.Path("again.jpg")), ReadBytes(dir.Path("theirs.jpg")));
  EXPECT_FALSE(picstest::RunCommand(pics + " convert " + jpeg + " " + dir.Path("x.bmp") +
                                    " --decoder-options -nonsense 2>/dev/null"));
}

}  // namespace
