// The pics command-line tool: its output lines, exit status and messages.
#include <algorithm>
#include <cstdio>
#include <sys/stat.h>
#include <sys/wait.h>

#include "picture_test_support.h"

using picstest::ScratchDir;
using picstest::ToolRun;

namespace {

// Runs pics with the arguments; standard error is folded into the output.
ToolRun Pics(const std::string& args) { return picstest::RunPics(args); }

class PicsTool : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(std::string(BUILD_DIR) + "/bin/pics"))
      FAIL() << "pics is not built";
    HGLOBAL dib = picstest::MakeDib(6, 4, 8, {0x000000, 0xFF0000}, 2);
    picstest::PutPixel(dib, 5, 0, 1);
    picstest::PicturePtr picture(CPics::CreatePicture(dib, PictureBMP, 0));
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture->SavePictureAs(dir.Path("in.bmp").c_str(), PictureBMP), 1);
  }
  ScratchDir dir;
};

}  // namespace

TEST_F(PicsTool, InfoPrintsTypeSizeDepthAndColours) {
  const ToolRun run = Pics("info " + dir.Path("in.bmp"));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out.rfind("type=1 width=6 height=4 bpp=8 colors=2 format=BMP bytes=", 0), 0u);
}

TEST_F(PicsTool, ConvertTakesTheTypeFromTheOptionOrTheExtension) {
  EXPECT_EQ(Pics("convert " + dir.Path("in.bmp") + " " + dir.Path("out.dib")).status, 0);
  EXPECT_EQ(Pics("convert " + dir.Path("in.bmp") + " " + dir.Path("out.raw") + " --type 1").status,
            0);
  picstest::PicturePtr copy(CPics::OpenPicture(dir.Path("out.raw").c_str(), 0, nullptr));
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->GetPixel(5, 0), RGB(255, 0, 0));
  EXPECT_EQ(copy->GetPixel(4, 0), RGB(0, 0, 0));
}

TEST_F(PicsTool, EachFaultHasItsOwnMessageAndExitStatus) {
  const std::string in = dir.Path("in.bmp");
  picstest::WriteBytes(dir.Path("text.png"), {'h', 'e', 'l', 'l', 'o', '\n'});
  std::vector<std::uint8_t> cut = picstest::ReadBytes(in);
  cut.resize(40);
  picstest::WriteBytes(dir.Path("cut.bmp"), cut);
  ASSERT_EQ(mkfifo(dir.Path("pipe.bmp").c_str(), 0600), 0);  // no writer: must not hang
  const struct {
    std::string args, message;
    int status;
  } cases[] = {
      {"info " + dir.Path("missing.bmp"),
       "cannot read " + dir.Path("missing.bmp") + ": no such file", 2},
      {"info " + dir.Path("text.png"), "not a picture", 3},
      {"info " + dir.Path("pipe.bmp"), "not a picture", 3},
      {"convert " + dir.Path("cut.bmp") + " " + dir.Path("o.png"), "damaged or unsupported BMP", 4},
      {"convert " + in + " " + dir.Path("no/such/folder/out.bmp"), "no such folder", 5},
      {"convert " + in + " " + dir.Path("out.jpg") + " --encoder-options -bogus",
       "JPEG encoder refused the options '-bogus'", 5},
      {"convert " + in + " " + dir.Path("out.unknown"), "--type", 1},
      {"convert " + in + " " + dir.Path("out.bmp") + " --type 12", "format name", 1},
      {"convert " + in + " - ", "give --type", 1},
      {"convert " + in, "usage", 1},
      {"convert " + in + " " + dir.Path("o.bmp") + " --bogus", "--bogus", 1},
      {"convert " + in + " " + dir.Path("o.jpg") + " --quality 101", "--quality", 1},
      {"apply " + in + " " + dir.Path("o.bmp") + " filter3 fuzzy", "filter kernel", 1},
      {"frobnicate", "unknown command", 1},
      {"", "usage", 1},
  };
  for (const auto& c : cases) {
    const ToolRun run = Pics(c.args);
    EXPECT_EQ(run.status, c.status) << c.args;
    EXPECT_NE(run.out.find(c.message), std::string::npos) << c.args << " said: " << run.out;
    // A fault of a file is one line of ours: nothing printed by the library or a front end.
    if (c.status > 1) {
      EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << run.out;
    }
  }
  EXPECT_FALSE(std::filesystem::exists(dir.Path("out.bmp")));
  EXPECT_FALSE(std::filesystem::exists(dir.Path("out.jpg")));
}

TEST_F(PicsTool, TypesGoByNameOrNumberAndInfoNamesTheFormat) {
  const std::pair<std::string, std::string> cases[] = {
      {"bmp", "BMP"},  {"gif", "GIF"}, {"pcx", "PCX"},   {"JPEG", "JPEG"},
      {"jpg", "JPEG"}, {"tga", "TGA"}, {"tiff", "TIFF"}, {"tif", "TIFF"},
      {"xbm", "XBM"},  {"png", "PNG"}, {"8", "PNG"},     {"targa", "TGA"},
  };
  for (const auto& [name, format] : cases) {
    const std::string out = dir.Path("out-" + name);
    ASSERT_EQ(Pics("convert " + dir.Path("in.bmp") + " " + out + " --type " + name).status, 0);
    const ToolRun info = Pics("info " + out);
    EXPECT_NE(info.out.find(" format=" + format + " bytes="), std::string::npos) << info.out;
    // The fields scripts read stay first and as they were.
    picstest::PicturePtr picture(CPics::OpenPicture(out.c_str()));
    ASSERT_TRUE(picture);
    EXPECT_EQ(info.out.rfind("type=" + std::to_string(picture->m_type) + " width=6 height=4 bpp=" +
                                 std::to_string(picture->m_bitsPerPixel) +
                                 " colors=" + std::to_string(picture->m_numColors) + " ",
                             0),
              0u)
        << info.out;
  }
}

TEST_F(PicsTool, HeaderInfoMatchesAFullLoad) {
  // Every format is described from its header: every kind must print what loading gives.
  const std::pair<std::string, std::string> kinds[] = {
      {"c.jpg", ""},
      {"g.jpg", "-colorspace gray"},
      {"p.jpg", "-interlace plane"},
      {"c.png", "PNG24:"},
      {"p.png", "PNG8:"},
      {"g.png", "-colorspace gray"},
      {"m.png", "-monochrome"},
      {"a.png", "PNG32:"},
      {"ga.png", "-colorspace gray -alpha on"},
      {"c.bmp", "BMP3:"},
      {"p.bmp", "-type palette -compress none BMP3:"},
      {"m.bmp", "-monochrome BMP3:"},
      {"o.bmp", "-type palette -compress none BMP2:"},
      {"a.bmp", "-alpha on BMP:"},
      {"w.bmp", "-define bmp:subtype=RGB565 BMP:"},
      {"c.gif", ""},
      {"m.gif", "-monochrome"},
      {"s.gif", "-colors 12"},
      {"c.pcx", ""},
      {"p.pcx", "-type palette"},
      {"m.pcx", "-monochrome"},
      {"c.tga", ""},
      {"p.tga", "-type palette"},
      {"g.tga", "-colorspace gray"},
      {"r.tga", "-compress RLE"},
      {"a.tga", "-alpha on"},
      {"c.tif", ""},
      {"p.tif", "-type palette"},
      {"g.tif", "-colorspace gray"},
      {"m.tif", "-monochrome"},
      {"t.tif", "-define tiff:tile-geometry=16x16"},
      {"w.tif", "-depth 16 -alpha on"},
      {"x.xbm", ""},
  };
  std::vector<std::string> names;
  for (const auto& [name, how] : kinds) {
    // A last word such as "BMP3:" names the writer and goes before the file name.
    const std::string last = how.substr(how.rfind(' ') + 1);
    const bool named = !last.empty() && last.back() == ':';
    const std::string options = named ? how.substr(0, how.size() - last.size()) : how;
    const std::string prefix = named ? last : "";
    ASSERT_TRUE(picstest::RunCommand("/usr/bin/convert -size 30x20 gradient:red-blue " + options +
                                     " " + prefix + dir.Path(name)))
        << name;
    names.push_back(name);
  }
  // A TIFF file whose directory comes before its strips, as Pillow writes it.
  ASSERT_TRUE(
      picstest::RunPython("from PIL import Image\nImage.linear_gradient('L').resize((30, "
                          "20)).convert('RGB').save(r'" +
                          dir.Path("pil.tif") + "')"));
  names.push_back("pil.tif");
  for (const std::string& name : names) {
    // Each file whole and cut short: info prints what loading gives, or fails as it does.
    const std::vector<std::uint8_t> bytes = picstest::ReadBytes(dir.Path(name));
    picstest::WriteBytes(
        dir.Path("cut-" + name),
        std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + bytes.size() * 3 / 5));
    for (const std::string& file : {name, "cut-" + name}) {
      picstest::PicturePtr picture;
      try {
        picture.reset(CPics::OpenPicture(dir.Path(file).c_str()));
      } catch (const CTextException&) {  // a TIFF that cannot be decoded
      }
      const ToolRun info = Pics("info " + dir.Path(file));
      if (!picture) {
        EXPECT_NE(file, name) << "the whole file does not load";
        EXPECT_EQ(info.status, 4) << file << ": " << info.out;
        continue;
      }
      char expected[128];
      std::snprintf(expected, sizeof expected, "type=%d width=%d height=%d bpp=%d colors=%d ",
                    picture->m_type, picture->m_width, picture->m_height, picture->m_bitsPerPixel,
                    picture->m_numColors);
      EXPECT_EQ(info.out.rfind(expected, 0), 0u)
          << file << ": " << info.out << " loaded: " << expected;
    }
  }
}

TEST_F(PicsTool, DashReadsStandardInputAndWritesStandardOutput) {
  ASSERT_EQ(Pics("convert " + dir.Path("in.bmp") + " " + dir.Path("in.gif")).status, 0);
  EXPECT_EQ(Pics("convert - " + dir.Path("out.png") + " < " + dir.Path("in.gif")).status, 0);
  EXPECT_EQ(Pics("info " + dir.Path("out.png")).out.rfind("type=8 width=6 height=4", 0), 0u);
  const ToolRun piped = Pics("convert " + dir.Path("out.png") + " - --type jpeg --quality 90 | " +
                             BUILD_DIR + "/bin/pics info -");
  EXPECT_EQ(piped.status, 0);
  EXPECT_EQ(piped.out, "type=4 width=6 height=4 bpp=24 colors=0 format=JPEG\n");
  // /dev/stdout on a pipe is written into, as "-" is.
  const ToolRun device = Pics("convert " + dir.Path("out.png") + " /dev/stdout --type tga | " +
                              BUILD_DIR + "/bin/pics info -");
  EXPECT_EQ(device.out.rfind("type=5 width=6 height=4", 0), 0u) << device.out;
  const ToolRun applied = Pics("apply - - --type bmp flip-h < " + dir.Path("in.gif") + " | " +
                               BUILD_DIR + "/bin/pics info -");
  EXPECT_EQ(applied.out.rfind("type=1 width=6 height=4", 0), 0u) << applied.out;
}

TEST_F(PicsTool, NamedKernelsAreTheNumberedOnes) {
  for (const auto& [name, index] : {std::pair{"blur", "1"}, {"sharpen", "4"}, {"edge", "8"}}) {
    for (const char* op : {"filter3", "filter5"}) {
      const std::string a = dir.Path(std::string(name) + op + "-a.bmp");
      const std::string b = dir.Path(std::string(name) + op + "-b.bmp");
      ASSERT_EQ(Pics("apply " + dir.Path("in.bmp") + " " + a + " to24 " + op + " " + name).status,
                0);
      ASSERT_EQ(Pics("apply " + dir.Path("in.bmp") + " " + b + " to24 " + op + " " + index).status,
                0);
      EXPECT_EQ(picstest::ReadBytes(a), picstest::ReadBytes(b)) << name << " " << op;
    }
  }
}

TEST_F(PicsTool, HelpVersionAndFormatsSpeakNames) {
  const ToolRun help = Pics("--help"), version = Pics("--version"), formats = Pics("formats"),
                apply = Pics("help apply");
  for (const ToolRun* run : {&help, &version, &formats, &apply}) EXPECT_EQ(run->status, 0);
  EXPECT_EQ(version.out.rfind("pics ", 0), 0u);
  EXPECT_NE(help.out.find("pics convert IN OUT [--type NAME]"), std::string::npos);
  for (const char* name : {"bmp", "gif", "pcx", "jpeg", "tga", "tiff", "xbm", "png"})
    EXPECT_NE(formats.out.find(std::string("\n") + name + " "), std::string::npos) << name;
  for (const char* word : {"to24",        "to8",           "gray",
                           "bw T",        "posterize N",   "rotate A",
                           "rotate-cw",   "rotate-ccw",    "flip-h",
                           "flip-v",      "resize F",      "crop X Y W H",
                           "filter3",     "filter5",       "brightness B C",
                           "thin PASSES", "select RRGGBB", "contour R P M N",
                           "1 blur",      "11 relief-grey"})
    EXPECT_NE(apply.out.find(word), std::string::npos) << word;
}

TEST_F(PicsTool, ProgressBarOnlyOnATerminal) {
  const std::string apply = std::string(BUILD_DIR) + "/bin/pics apply " + dir.Path("in.bmp") + " " +
                            dir.Path("r.bmp") + " filter5 blur";
  EXPECT_EQ(Pics("apply " + dir.Path("in.bmp") + " " + dir.Path("r.bmp") + " filter5 blur").out,
            "");
  // script(1) gives the command a terminal and copies what it shows.
  const std::string shown = dir.Path("shown.txt");
  ASSERT_TRUE(
      picstest::RunCommand("/usr/bin/script -qec '" + apply + "' " + shown + " > /dev/null"));
  const std::vector<std::uint8_t> bytes = picstest::ReadBytes(shown);
  EXPECT_NE(std::string(bytes.begin(), bytes.end()).find("filter5 ["), std::string::npos);
}
