// The decompression front end against the JPEG library's own djpeg program: the same
// switches on the same file must give the same output file.
#include <gtest/gtest.h>

#include <filesystem>

#include "graphics/formats/jpeg/cjpeg_main.h"
#include "graphics/formats/jpeg/djpeg_main.h"
#include "jpeg_test_support.h"

namespace {

using graphics::DjpegMain;
using jpegtest::Args;
using jpegtest::CallFrontEnd;
using jpegtest::MakeReferenceJpeg;
using jpegtest::RunReference;
using picstest::ReadBytes;
using picstest::ScratchDir;

int Djpeg(const Args& args) { return CallFrontEnd(DjpegMain, "djpeg", args); }

struct DecodeCase {
  const char* name;
  Args jpegSwitches;  // how the input was compressed
  Args switches;      // how it is decompressed
};

void PrintTo(const DecodeCase& c, std::ostream* out) { *out << c.name; }

class DecodeMatchesReference : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeMatchesReference, SameBytesAsDjpeg) {
  ScratchDir dir;
  const DecodeCase& c = GetParam();
  const std::string jpeg = MakeReferenceJpeg(dir, "in.jpg", c.jpegSwitches);
  const std::string ours = dir.Path("ours.out"), theirs = dir.Path("theirs.out");
  ASSERT_TRUE(RunReference("djpeg", c.switches, jpeg, theirs));
  Args args = c.switches;
  args.push_back(jpeg);
  args.push_back(ours);
  ASSERT_EQ(Djpeg(args), 1);
  const auto expected = ReadBytes(theirs);
  ASSERT_GT(expected.size(), 54u);
  EXPECT_EQ(ReadBytes(ours), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Switches, DecodeMatchesReference,
    testing::Values(
        DecodeCase{"Bmp", {}, {"-bmp"}}, DecodeCase{"BmpHalfScale", {}, {"-bmp", "-scale", "1/2"}},
        DecodeCase{"BmpEighthScale", {}, {"-bmp", "-scale", "1/8"}},
        DecodeCase{"BmpGrayscale", {}, {"-bmp", "-grayscale"}},
        DecodeCase{"BmpFloatDct", {}, {"-bmp", "-dct", "float"}},
        DecodeCase{"BmpFastDct", {}, {"-bmp", "-dct", "fast"}},
        DecodeCase{"BmpColors64", {}, {"-bmp", "-colors", "64"}},
        DecodeCase{"BmpColors64DitherNone", {}, {"-bmp", "-colors", "64", "-dither", "none"}},
        DecodeCase{"BmpColors64DitherOrdered", {}, {"-bmp", "-colors", "64", "-dither", "ordered"}},
        DecodeCase{"BmpColors64DitherFs", {}, {"-bmp", "-colors", "64", "-dither", "fs"}},
        DecodeCase{"BmpOnePass", {}, {"-bmp", "-colors", "64", "-onepass"}},
        DecodeCase{
            "BmpOnePassOrdered", {}, {"-bmp", "-colors", "32", "-onepass", "-dither", "ordered"}},
        DecodeCase{"BmpNoSmooth", {}, {"-bmp", "-nosmooth"}},
        DecodeCase{"BmpGreyColors", {}, {"-bmp", "-grayscale", "-colors", "16"}},
        DecodeCase{"BmpFromGreyJpeg", {"-grayscale"}, {"-bmp"}},
        DecodeCase{"BmpFromProgressive", {"-progressive"}, {"-bmp"}},
        DecodeCase{"BmpFromArithmetic", {"-arithmetic"}, {"-bmp"}},
        DecodeCase{"BmpFromUnsampled", {"-sample", "1x1"}, {"-bmp", "-nosmooth"}},
        DecodeCase{"Os2", {}, {"-os2"}}, DecodeCase{"Os2Colors", {}, {"-os2", "-colors", "20"}},
        DecodeCase{"Pnm", {}, {"-pnm"}}, DecodeCase{"PnmGrey", {}, {"-pnm", "-grayscale"}},
        DecodeCase{"PnmColors", {}, {"-pnm", "-colors", "40"}}, DecodeCase{"Targa", {}, {"-targa"}},
        DecodeCase{"TargaGrey", {}, {"-targa", "-grayscale"}},
        DecodeCase{"TargaColors", {}, {"-targa", "-colors", "10"}}),
    [](const testing::TestParamInfo<DecodeCase>& info) { return std::string(info.param.name); });

// GIF is compressed by our own coder, so the file differs; the pixels must not.
TEST(DjpegGif, PixelsMatchReference) {
  ScratchDir dir;
  const std::string jpeg = MakeReferenceJpeg(dir, "in.jpg", {});
  for (const Args& switches :
       {Args{"-gif"}, Args{"-gif", "-colors", "10"}, Args{"-gif", "-grayscale"}}) {
    const std::string ours = dir.Path("ours.gif"), theirs = dir.Path("theirs.gif");
    ASSERT_TRUE(RunReference("djpeg", switches, jpeg, theirs));
    Args args = switches;
    args.insert(args.end(), {jpeg, ours});
    ASSERT_EQ(Djpeg(args), 1);
    const picstest::RgbImage expected = picstest::DecodeWithPillow(theirs);
    const picstest::RgbImage got = picstest::DecodeWithPillow(ours);
    ASSERT_EQ(got.width, expected.width);
    ASSERT_EQ(got.height, expected.height);
    EXPECT_EQ(got.rgb, expected.rgb) << switches.back();
  }
}

TEST(DjpegSwitches, AbbreviationsAndCaseMeanTheSame) {
  ScratchDir dir;
  const std::string jpeg = MakeReferenceJpeg(dir, "in.jpg", {});
  const std::string theirs = dir.Path("theirs.bmp");
  ASSERT_TRUE(RunReference("djpeg", {"-bmp", "-grayscale", "-scale", "1/2"}, jpeg, theirs));
  for (const Args& spelling :
       {Args{"-b", "-gr", "-s", "1/2"}, Args{"-BMP", "-GREY", "-Scale", "1/2"},
        Args{"-bm", "-greyscale", "-sc", "1/2", "-d"}}) {
    const std::string ours = dir.Path("ours.bmp");
    Args args = spelling;
    args.insert(args.end(), {jpeg, ours});
    ASSERT_EQ(Djpeg(args), 1) << spelling[1];
    EXPECT_EQ(ReadBytes(ours), ReadBytes(theirs)) << spelling[1];
  }
}

TEST(DjpegSwitches, BadListsAreRefusedWithoutOutput) {
  ScratchDir dir;
  const std::string jpeg = MakeReferenceJpeg(dir, "in.jpg", {});
  const std::string out = dir.Path("out.bmp");
  const Args refused[] = {
      {"-bmp", jpeg},                          // no output file
      {"-bmp", jpeg, out, "extra"},            // one file too many
      {"-bmp", "-outfile", out, jpeg, out},    // -outfile leaves room for the input only
      {"-bmp", "-frobnicate", jpeg, out},      // unknown switch
      {"-m", jpeg, out},                       // too short to tell -map from -maxmemory
      {"-bmp", "-scale", "half", jpeg, out},   // not M/N
      {"-bmp", "-scale", "1/0", jpeg, out},    // no zero denominator
      {"-bmp", "-dct", "slow", jpeg, out},     // no such method
      {"-bmp", "-dither", "x", jpeg, out},     // no such dither
      {"-bmp", "-colors"},                     // value missing
      {"-rle", jpeg, out},                     // RLE output is not available
      {"-bmp", "-colors", "3", jpeg, out},     // the library's own refusal: fewer than 8 colours
      {"-bmp", dir.Path("missing.jpg"), out},  // input cannot be opened
  };
  for (const Args& args : refused) {
    EXPECT_EQ(Djpeg(args), 0) << args[1];
    EXPECT_FALSE(std::filesystem::exists(out)) << args[1];
  }
  EXPECT_EQ(Djpeg({"-bmp", jpeg, dir.Path("no-such-folder/out.bmp")}), 0);
  // Vectors a careless host might pass: empty, or with null entries.
  char program[] = "djpeg";
  char* holes[] = {program, nullptr, nullptr, nullptr};
  EXPECT_EQ(DjpegMain(0, holes), 0);
  EXPECT_EQ(DjpegMain(3, holes), 0);
  EXPECT_EQ(graphics::CjpegMain(3, holes), 0);
}

TEST(DjpegSwitches, OutfileTakesOneFileAndLastFormatWins) {
  ScratchDir dir;
  const std::string jpeg = MakeReferenceJpeg(dir, "in.jpg", {});
  const std::string theirs = dir.Path("theirs.bmp"), ours = dir.Path("ours.bmp");
  ASSERT_TRUE(RunReference("djpeg", {"-bmp"}, jpeg, theirs));
  ASSERT_EQ(Djpeg({"-rle", "-targa", "-bmp", "-outf", ours, jpeg}), 1);
  EXPECT_EQ(ReadBytes(ours), ReadBytes(theirs));
  // An empty program name is replaced, not a reason to fail.
  EXPECT_EQ(CallFrontEnd(DjpegMain, "", {"-bmp", jpeg, dir.Path("again.bmp")}), 1);
}

TEST(DjpegMap, QuantisesToTheColoursOfAMapFile) {
  ScratchDir dir;
  const std::string jpeg = MakeReferenceJpeg(dir, "in.jpg", {});
  const std::string map = dir.Path("map.ppm");
  // A P6 file of 12 colours, some repeated.
  std::string ppm = "P6\n# palette\n4 4\n255\n";
  for (int i = 0; i < 16; ++i) {
    const int k = i % 12;
    ppm += char(k * 21);
    ppm += char(255 - k * 20);
    ppm += char((k * 77) & 0xFF);
  }
  picstest::WriteBytes(map, std::vector<std::uint8_t>(ppm.begin(), ppm.end()));
  const std::string theirs = dir.Path("theirs.bmp"), ours = dir.Path("ours.bmp");
  ASSERT_TRUE(RunReference("djpeg", {"-bmp", "-map", map}, jpeg, theirs));
  ASSERT_EQ(Djpeg({"-bmp", "-map", map, jpeg, ours}), 1);
  const picstest::RgbImage expected = picstest::DecodeWithPillow(theirs);
  EXPECT_EQ(picstest::DecodeWithPillow(ours).rgb, expected.rgb);
  EXPECT_EQ(Djpeg({"-bmp", "-map", dir.Path("nomap.ppm"), jpeg, dir.Path("x.bmp")}), 0);
}

TEST(DjpegDamage, CorruptFilesFailAndLeaveNoOutput) {
  ScratchDir dir;
  const std::string jpeg = MakeReferenceJpeg(dir, "in.jpg", {});
  const auto bytes = ReadBytes(jpeg);
  const std::string out = dir.Path("out.bmp");

  // Not a JPEG at all, an empty file, a header cut short: the library's fatal errors
  // come back as 0 and the process carries on.
  const std::vector<std::vector<std::uint8_t>> broken = {
      {'B', 'M', 0, 0}, {}, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 100)};
  for (const auto& content : broken) {
    picstest::WriteBytes(dir.Path("bad.jpg"), content);
    EXPECT_EQ(Djpeg({"-bmp", dir.Path("bad.jpg"), out}), 0);
    EXPECT_FALSE(std::filesystem::exists(out));
  }
}

TEST(DjpegDamage, TruncatedDataStillGivesAPicture) {
  ScratchDir dir;
  const std::string jpeg = MakeReferenceJpeg(dir, "in.jpg", {});
  auto bytes = ReadBytes(jpeg);
  bytes.resize(bytes.size() * 2 / 3);  // scan data cut: the library warns and fills in
  picstest::WriteBytes(dir.Path("cut.jpg"), bytes);
  const std::string theirs = dir.Path("theirs.bmp"), ours = dir.Path("ours.bmp");
  RunReference("djpeg", {"-bmp"}, dir.Path("cut.jpg"), theirs);  // exits 2 for the warning
  ASSERT_EQ(Djpeg({"-bmp", dir.Path("cut.jpg"), ours}), 1);
  EXPECT_EQ(ReadBytes(ours), ReadBytes(theirs));
}

TEST(DjpegLimits, BoundsRefuseLargePicturesAndManyScans) {
  ScratchDir dir;
  const std::string jpeg = MakeReferenceJpeg(dir, "in.jpg", {"-progressive"});
  const std::string out = dir.Path("out.bmp");
  Args args = {"djpeg", "-bmp", jpeg, out};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());

  graphics::JpegDecodeLimits narrow;
  narrow.maxOutputSide = jpegtest::kWidth - 1;
  EXPECT_EQ(DjpegMain(4, argv.data(), narrow), 0);
  graphics::JpegDecodeLimits fewScans;
  fewScans.maxScans = 3;  // the default progression has ten
  EXPECT_EQ(DjpegMain(4, argv.data(), fewScans), 0);
  EXPECT_FALSE(std::filesystem::exists(out));
  graphics::JpegDecodeLimits roomy{jpegtest::kWidth, 10, 0};
  EXPECT_EQ(DjpegMain(4, argv.data(), roomy), 1);
}

}  // namespace
