// JPEG in memory against JPEG through the temporary BMP files: for every switch set the
// other tests use, the in-memory path gives the same DIB and palette when loading and
// the same file bytes when saving, and leaves no temporary file.
#include <gtest/gtest.h>

#include <cstring>

#include "graphics/formats/jpeg/jpeg.h"
#include "jpeg_test_support.h"

namespace {

using jpegtest::PrivateTempFolder;
using picstest::PicturePtr;
using picstest::ReadBytes;
using picstest::ScratchDir;

// Sets the path for one scope.
class Path {
 public:
  explicit Path(bool inProcess) : m_saved(graphics::JpegInProcess()) {
    graphics::JpegInProcess() = inProcess;
  }
  ~Path() { graphics::JpegInProcess() = m_saved; }

 private:
  bool m_saved;
};

struct Loaded {
  std::vector<BYTE> dib, palette;
  std::string facts;
};

Loaded Load(const std::string& file, const char* options, short dither, bool inProcess) {
  Path path(inProcess);
  PicturePtr picture(CPics::OpenPicture(file.c_str(), dither, options));
  Loaded loaded;
  if (!picture) return loaded;
  loaded.dib.resize(size_t(picture->GetDibSize()));
  picture->CopyDib(loaded.dib.data());
  if (picture->m_PaletteBuffer != nullptr)
    loaded.palette.assign(picture->m_PaletteBuffer, picture->m_PaletteBuffer + 768);
  loaded.facts = std::to_string(picture->m_width) + "x" + std::to_string(picture->m_height) + "x" +
                 std::to_string(picture->m_bitsPerPixel) + "/" +
                 std::to_string(picture->m_numColors) + "/" + std::to_string(picture->m_dibSize);
  return loaded;
}

class JpegInProcess : public testing::Test {
 protected:
  PrivateTempFolder temp;
  ScratchDir dir;
};

}  // namespace

TEST_F(JpegInProcess, LoadsTheSameDibAsTheCommandLinePath) {
  jpegtest::WritePhotoBmp(dir.Path("photo.bmp"), 2835);
  jpegtest::WriteGreyBmp(dir.Path("grey.bmp"));
  const std::string sources[] = {
      jpegtest::MakeReferenceJpeg(dir, "colour.jpg", {}),
      jpegtest::MakeReferenceJpeg(dir, "progressive.jpg", {"-progressive"}),
      dir.Path("grey.jpg"),
  };
  ASSERT_TRUE(jpegtest::RunReference("cjpeg", {}, dir.Path("grey.bmp"), sources[2]));
  // A colour map as a PPM file of four colours.
  picstest::WriteBytes(dir.Path("map.ppm"),
                       {'P', '6', ' ', '4', ' ', '1', ' ', '2', '5', '5', '\n', 255,
                        0,   0,   0,   255, 0,   0,   0,   255, 250, 250, 250});
  const std::string map = "-map " + dir.Path("map.ppm");
  const char* switchSets[] = {
      nullptr,
      "-grayscale -scale 1/2",
      "-colors 64 -dither ordered -onepass",
      "-grayscale",
      "-scale 1/4",
      "-colors 16 -dither none",
      "-dct float -nosmooth",
      "-colors 200 -dither fs",
      map.c_str(),
  };
  for (const std::string& source : sources) {
    for (const char* options : switchSets) {
      for (const short dither : {0, 1}) {
        SCOPED_TRACE(source + " " + (options ? options : "") + " dither " + std::to_string(dither));
        const Loaded fast = Load(source, options, dither, true);
        const Loaded files = Load(source, options, dither, false);
        ASSERT_FALSE(files.dib.empty());
        EXPECT_EQ(fast.facts, files.facts);
        EXPECT_TRUE(fast.dib == files.dib);
        EXPECT_EQ(fast.palette, files.palette);
      }
    }
  }
  EXPECT_TRUE(temp.Leftovers().empty());
}

TEST_F(JpegInProcess, SavesTheSameBytesAsTheCommandLinePath) {
  jpegtest::WritePhotoBmp(dir.Path("photo.bmp"), 3780);
  jpegtest::WriteGreyBmp(dir.Path("grey.bmp"));
  jpegtest::WriteBmp(dir.Path("mapped.bmp"), 37, 23, 4, {0xFF0000, 0x00FF00, 0x0000FF, 0x808080},
                     [](int x, int y) { return std::uint32_t((x / 3 + y) % 4); });
  jpegtest::WriteBmp(dir.Path("mono.bmp"), 37, 23, 1, {0x000000, 0xFFFFFF},
                     [](int x, int y) { return std::uint32_t((x ^ y) & 1); });
  const char* switchSets[] = {
      "",
      "-quality 50 -optimize",
      "  -progressive   -sample 1x1 ",
      "-grayscale",
      "-quality 30",
      "-quality 40 -optimize",
      "-dct fast -restart 2 -smooth 20",
      "-baseline -quality 5",
  };
  for (const char* name : {"photo.bmp", "grey.bmp", "mapped.bmp", "mono.bmp"}) {
    PicturePtr picture(CPics::OpenPicture(dir.Path(name).c_str()));
    ASSERT_TRUE(picture);
    for (const char* options : switchSets) {
      SCOPED_TRACE(std::string(name) + " " + options);
      picture->SetEncoderOptions(options);
      std::vector<std::uint8_t> bytes[2];
      for (const bool inProcess : {true, false}) {
        Path path(inProcess);
        const std::string out = dir.Path(inProcess ? "fast.jpg" : "files.jpg");
        ASSERT_EQ(picture->SavePictureAs(out.c_str(), PictureJPEG), 1);
        bytes[inProcess] = ReadBytes(out);
      }
      EXPECT_TRUE(bytes[0] == bytes[1]);
    }
  }
  EXPECT_TRUE(temp.Leftovers().empty());
}
