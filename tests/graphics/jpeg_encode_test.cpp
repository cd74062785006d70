// The compression front end against the JPEG library's own cjpeg program: the same
// switches on the same BMP file must give the same JPEG file, byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "graphics/formats/jpeg/cjpeg_main.h"
#include "graphics/formats/jpeg/cjpeg_script_files.h"
#include "jpeg_test_support.h"

namespace {

using graphics::CjpegMain;
using jpegtest::Args;
using jpegtest::CallFrontEnd;
using jpegtest::RunReference;
using picstest::ReadBytes;
using picstest::ScratchDir;

int Cjpeg(const Args& args) { return CallFrontEnd(CjpegMain, "cjpeg", args); }

enum class Source { Photo, PhotoWithDensity, Grey, ColourMapped };

void WriteSource(Source source, const std::string& path) {
  switch (source) {
    case Source::Photo:
      jpegtest::WritePhotoBmp(path);
      break;
    case Source::PhotoWithDensity:
      jpegtest::WritePhotoBmp(path, 11811);
      break;
    case Source::Grey:
      jpegtest::WriteGreyBmp(path);
      break;
    case Source::ColourMapped: {
      std::vector<std::uint32_t> palette;
      for (std::uint32_t i = 0; i < 200; ++i) palette.push_back((i * 0x3A1F17u) & 0xFFFFFF);
      jpegtest::WriteBmp(path, jpegtest::kWidth, jpegtest::kHeight, 8, palette,
                         [](int x, int y) { return jpegtest::PhotoPixel(x, y) % 200; });
      break;
    }
  }
}

const char kQuantTables[] =
    "# two tables\n"
    " 8  6  5  8 12 20 26 31\n 6 6 7 10 13 29 30 28\n 7 7 8 12 20 29 35 28\n 7 9 11 15 26 44 40 "
    "31\n"
    " 9 11 19 28 34 55 52 39\n12 18 28 32 41 52 57 46\n25 32 39 44 52 61 60 51\n36 46 48 49 56 50 "
    "52 50\n"
    "9 9 12 24 50 50 50 50  9 11 13 33 50 50 50 50  12 13 28 50 50 50 50 50  24 33 50 50 50 50 50 "
    "50\n"
    "50 50 50 50 50 50 50 50 50 50 50 50 50 50 50 50 50 50 50 50 50 50 50 50 50 50 50 50 50 50 50 "
    "50\n"
    "# a third one for -qslots\n"
    "1 2 3 4 5 6 7 8 1 2 3 4 5 6 7 8 1 2 3 4 5 6 7 8 1 2 3 4 5 6 7 8\n"
    "1 2 3 4 5 6 7 8 1 2 3 4 5 6 7 8 1 2 3 4 5 6 7 8 1 2 3 4 5 6 7 8\n";

const char kScanScript[] =
    "0,1,2: 0-0, 0, 1 ;  # DC first\n"
    "0: 1-5, 0, 2; 2: 1-63, 0, 1; 1: 1-63, 0, 1;\n"
    "0: 6-63, 0, 2; 0: 1-63, 2, 1;\n"
    "0,1,2: 0-0, 1, 0; 2: 1-63, 1, 0; 1: 1-63, 1, 0; 0: 1-63, 1, 0\n";

struct EncodeCase {
  const char* name;
  Source source;
  Args switches;  // "@qtables" and "@scans" stand for the files above
};

void PrintTo(const EncodeCase& c, std::ostream* out) { *out << c.name; }

class EncodeMatchesReference : public testing::TestWithParam<EncodeCase> {};

TEST_P(EncodeMatchesReference, SameBytesAsCjpeg) {
  ScratchDir dir;
  const EncodeCase& c = GetParam();
  const std::string bmp = dir.Path("in.bmp");
  WriteSource(c.source, bmp);
  std::ofstream(dir.Path("tables.txt")) << kQuantTables;
  std::ofstream(dir.Path("scans.txt")) << kScanScript;
  Args switches;
  for (const std::string& s : c.switches)
    switches.push_back(s == "@qtables" ? dir.Path("tables.txt")
                       : s == "@scans" ? dir.Path("scans.txt")
                                       : s);

  const std::string ours = dir.Path("ours.jpg"), theirs = dir.Path("theirs.jpg");
  ASSERT_TRUE(RunReference("cjpeg", switches, bmp, theirs));
  Args args = switches;
  args.insert(args.end(), {bmp, ours});
  ASSERT_EQ(Cjpeg(args), 1);
  const auto expected = ReadBytes(theirs);
  ASSERT_GT(expected.size(), 100u);
  EXPECT_EQ(ReadBytes(ours), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Switches, EncodeMatchesReference,
    testing::Values(
        EncodeCase{"Defaults", Source::Photo, {}},
        EncodeCase{"Quality50", Source::Photo, {"-quality", "50"}},
        EncodeCase{"LowQualityBaseline", Source::Photo, {"-quality", "10", "-baseline"}},
        EncodeCase{"LowQuality", Source::Photo, {"-quality", "10"}},
        EncodeCase{"Grayscale", Source::Photo, {"-grayscale"}},
        EncodeCase{"Optimize", Source::Photo, {"-optimize"}},
        EncodeCase{"Progressive", Source::Photo, {"-progressive"}},
        EncodeCase{"Baseline", Source::Photo, {"-baseline"}},
        EncodeCase{"RestartRows", Source::Photo, {"-restart", "1"}},
        EncodeCase{"RestartBlocks", Source::Photo, {"-restart", "3B"}},
        EncodeCase{"Smooth", Source::Photo, {"-smooth", "20"}},
        EncodeCase{"Sample1x1", Source::Photo, {"-sample", "1x1"}},
        EncodeCase{"Sample2x1", Source::Photo, {"-sample", "2x1,1x1"}},
        EncodeCase{"FastDct", Source::Photo, {"-dct", "fast"}},
        EncodeCase{"FloatDct", Source::Photo, {"-dct", "float"}},
        EncodeCase{"Arithmetic", Source::Photo, {"-arithmetic"}},
        EncodeCase{"QTables", Source::Photo, {"-qtables", "@qtables"}},
        EncodeCase{"QTablesScaled", Source::Photo, {"-qtables", "@qtables", "-quality", "50"}},
        EncodeCase{"QTablesSlots", Source::Photo, {"-qtables", "@qtables", "-qslots", "0,1,2"}},
        EncodeCase{"Scans", Source::Photo, {"-scans", "@scans"}},
        EncodeCase{"Mixed", Source::Photo, {"-q", "60", "-o", "-r", "2", "-sm", "5", "-gr"}},
        EncodeCase{"Density", Source::PhotoWithDensity, {}},
        EncodeCase{"GreyPalette", Source::Grey, {}},
        EncodeCase{"GreyPaletteProgressive", Source::Grey, {"-progressive", "-quality", "90"}},
        EncodeCase{"ColourPalette", Source::ColourMapped, {}},
        EncodeCase{"ColourPaletteGrayscale", Source::ColourMapped, {"-grayscale"}}),
    [](const testing::TestParamInfo<EncodeCase>& info) { return std::string(info.param.name); });

// 1- and 4-bit pictures are read too; they compress as the 8-bit picture with the
// same colours does.
TEST(CjpegInput, FewBitDepthsCompressLikeTheirEightBitForm) {
  ScratchDir dir;
  const std::vector<std::uint32_t> mono = {0x000000, 0xFFFFFF};
  const std::vector<std::uint32_t> sixteen = {
      0x102030, 0xFF0000, 0x00FF00, 0x0000FF, 0x808080, 0xFFFF00, 0x00FFFF, 0xFF00FF,
      0x400000, 0x004000, 0x000040, 0x404040, 0xC0C0C0, 0x123456, 0x654321, 0xFFFFFF};
  for (const auto& [bits, palette] : {std::pair{1, mono}, std::pair{4, sixteen}}) {
    const auto pixel = [bits = bits](int x, int y) {
      return (jpegtest::PhotoPixel(x, y) >> 3) & ((1u << bits) - 1);
    };
    jpegtest::WriteBmp(dir.Path("few.bmp"), jpegtest::kWidth, jpegtest::kHeight, bits, palette,
                       pixel);
    jpegtest::WriteBmp(dir.Path("eight.bmp"), jpegtest::kWidth, jpegtest::kHeight, 8, palette,
                       pixel);
    ASSERT_TRUE(RunReference("cjpeg", {}, dir.Path("eight.bmp"), dir.Path("theirs.jpg")));
    ASSERT_EQ(Cjpeg({dir.Path("few.bmp"), dir.Path("ours.jpg")}), 1) << bits;
    EXPECT_EQ(ReadBytes(dir.Path("ours.jpg")), ReadBytes(dir.Path("theirs.jpg"))) << bits;
  }
}

TEST(CjpegInput, RefusesWhatItCannotReadWithoutOutput) {
  ScratchDir dir;
  const std::string out = dir.Path("out.jpg");
  picstest::WriteBytes(dir.Path("text.bmp"), {'h', 'e', 'l', 'l', 'o'});
  picstest::WriteBytes(dir.Path("short.bmp"), {'B', 'M', 1, 2, 3});
  jpegtest::WritePhotoBmp(dir.Path("cut.bmp"));
  auto cut = ReadBytes(dir.Path("cut.bmp"));
  cut.resize(cut.size() / 2);
  picstest::WriteBytes(dir.Path("cut.bmp"), cut);
  jpegtest::WritePhotoBmp(dir.Path("good.bmp"));
  std::ofstream(dir.Path("badscan.txt")) << "0,1,2: 0-0, 0, 1;\n0: 1-63 0 0 9;\n";  // five values
  std::ofstream(dir.Path("wrongscan.txt")) << "7;\n";  // no component 7: the library refuses it
  std::ofstream(dir.Path("shorttable.txt")) << "1 2 3\n";

  const Args refused[] = {
      {dir.Path("text.bmp"), out},
      {dir.Path("short.bmp"), out},
      {dir.Path("cut.bmp"), out},
      {dir.Path("missing.bmp"), out},
      {"-targa", dir.Path("good.bmp"), out},
      {"-scans", dir.Path("badscan.txt"), dir.Path("good.bmp"), out},
      {"-scans", dir.Path("wrongscan.txt"), dir.Path("good.bmp"), out},
      {"-qtables", dir.Path("shorttable.txt"), dir.Path("good.bmp"), out},
      {"-qtables", dir.Path("missing.txt"), dir.Path("good.bmp"), out},
      {"-sample", "5x1", dir.Path("good.bmp"), out},
      {"-qslots", "4", dir.Path("good.bmp"), out},
      {"-smooth", "101", dir.Path("good.bmp"), out},
      {"-restart", "70000", dir.Path("good.bmp"), out},
      {"-s", "1", dir.Path("good.bmp"), out},  // -sample, -scans or -smooth?
      {"-outfile", out, dir.Path("good.bmp"), out},
      {dir.Path("good.bmp")},
  };
  for (const Args& args : refused) {
    EXPECT_EQ(Cjpeg(args), 0) << args[0] << " " << args[1];
    EXPECT_FALSE(std::filesystem::exists(out)) << args[0] << " " << args[1];
  }
  EXPECT_EQ(Cjpeg({dir.Path("good.bmp"), dir.Path("missing-folder/out.jpg")}), 0);
  EXPECT_EQ(Cjpeg({"-outfile", out, dir.Path("good.bmp")}), 1);
  EXPECT_TRUE(std::filesystem::exists(out));
}

TEST(CjpegScripts, QuantTablesAreReadAsNumbersWithComments) {
  std::vector<graphics::QuantTable> tables;
  std::string error;
  ASSERT_TRUE(graphics::ParseQuantTables(kQuantTables, &tables, &error)) << error;
  ASSERT_EQ(tables.size(), 3u);
  EXPECT_EQ(tables[0][0], 8u);
  EXPECT_EQ(tables[1][63], 50u);
  EXPECT_EQ(tables[2][9], 2u);

  std::string five;
  for (int i = 0; i < 5 * 64; ++i) five += "1 ";
  EXPECT_FALSE(graphics::ParseQuantTables(five, &tables, &error));  // four tables at most
  EXPECT_FALSE(graphics::ParseQuantTables("# nothing\n", &tables, &error));
  EXPECT_FALSE(graphics::ParseQuantTables("1 2 x 4", &tables, &error));
  EXPECT_FALSE(graphics::ParseQuantTables("99999999999", &tables, &error));
}

TEST(CjpegScripts, ScanScriptsTakeDefaultsAndPunctuation) {
  std::vector<jpeg_scan_info> scans;
  std::string error;
  ASSERT_TRUE(graphics::ParseScanScript("0;   # Y\n1 2", &scans, &error)) << error;
  ASSERT_EQ(scans.size(), 2u);
  EXPECT_EQ(scans[0].comps_in_scan, 1);
  EXPECT_EQ(scans[0].Se, 63);
  EXPECT_EQ(scans[1].comps_in_scan, 2);
  EXPECT_EQ(scans[1].component_index[1], 2);

  ASSERT_TRUE(graphics::ParseScanScript("0,1,2 : 0-63, 0,0 ;", &scans, &error)) << error;
  ASSERT_EQ(scans.size(), 1u);
  EXPECT_EQ(scans[0].comps_in_scan, 3);
  EXPECT_EQ(scans[0].Se, 63);

  EXPECT_FALSE(graphics::ParseScanScript("0 1 2 3 0;", &scans, &error));  // five components
  EXPECT_FALSE(graphics::ParseScanScript("0: 1 2 3;", &scans, &error));   // three values
  EXPECT_FALSE(graphics::ParseScanScript("0: 1 2 3 4 5;", &scans, &error));
  EXPECT_FALSE(graphics::ParseScanScript("0: 1 2 3 ;", &scans, &error));
  EXPECT_FALSE(graphics::ParseScanScript("a;", &scans, &error));
  std::string many;
  for (int i = 0; i < 101; ++i) many += "0;";
  EXPECT_FALSE(graphics::ParseScanScript(many, &scans, &error));
}

}  // namespace
