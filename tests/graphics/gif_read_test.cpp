// Reading GIF files: files made by Pillow, ImageMagick and our own builder (odd but
// valid code streams) read with the pixels those tools see; foreign files are marked;
// damaged files are refused or read without harm.
#include <cstring>

#include "format_test_support.h"
#include "gif_test_support.h"
#include "graphics/formats/gif/gif.h"
#include "graphics/formats/gif/gif_lzw_decoder.h"
#include "graphics/formats/gif/gif_reader.h"

using formatstest::DecodeWithImageMagick;
using formatstest::ExpectSameImage;
using formatstest::PixelsOf;
using picstest::DecodeWithPillow;
using picstest::PicturePtr;
using picstest::ReadBytes;
using picstest::ScratchDir;
using picstest::WriteBytes;

namespace {

// Files made by Pillow and ImageMagick, once for the suite.
struct GifFiles {
  static void Make(const std::string& d) {
    const std::string script = giftest::GifBuilderPython() + R"PY(
import random
from PIL import Image
d = r')PY" + d + R"PY('
random.seed(7)

def indexed(w, h, n, runs=0.5):
    return [random.randrange(n) if random.random() < runs else (x // 3 + y) % n
            for y in range(h) for x in range(w)]

def palette(n):
    return [((i * 53 + 9) % 256, (i * 97 + 7) % 256, (255 - i * 31) % 256) for i in range(n)]

def pil(w, h, n, name, **options):
    im = Image.new('P', (w, h))
    im.putpalette(sum(palette(n), ()))
    im.putdata(indexed(w, h, n))
    im.save(d + name, **options)
    return im

pil(13, 7, 4, 'pil_4.gif')
pil(40, 30, 16, 'pil_16_interlaced.gif')
pil(40, 30, 256, 'pil_256_interlaced.gif')
pil(40, 30, 16, 'pil_16_plain.gif', interlace=False)
pil(13, 7, 4, 'pil_transparent.gif', transparency=3)
first = pil(21, 17, 16, 'first.gif')
second = Image.new('P', (21, 17), 5)
second.putpalette(sum(palette(16), ()))
first.save(d + 'pil_frames.gif', save_all=True, append_images=[second])

src = Image.new('RGB', (37, 23))
src.putdata([(random.randrange(256), (x * 7) % 256, (y * 11) % 256) for y in range(23) for x in range(37)])
src.save(d + 'src.png')

# Odd but valid streams from our own builder.
t4 = palette(4)
make_gif(d + 'deferred_clear.gif', 300, 200, indexed(300, 200, 3, 0.3), t4, initial_clear=False,
         clear_when_full=False)
make_gif(d + 'wide_code_size.gif', 50, 40, indexed(50, 40, 4), t4, code_size=8)
make_gif(d + 'local_table.gif', 30, 20, indexed(30, 20, 16), palette(16), local_table=True)
make_gif(d + 'bigger_screen.gif', 30, 20, indexed(30, 20, 16), palette(16), screen=(45, 31))
make_gif(d + 'extensions.gif', 30, 20, indexed(30, 20, 8), palette(8), version=b'GIF87a',
         extensions=[b'\x21\xfe\x05hello\x00', b'\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00'])
make_gif(d + 'interlaced_5.gif', 3, 5, [0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 1, 2, 3], t4, interlace=True)
)PY";
    ASSERT_TRUE(picstest::RunPython(script));
    const std::string convert = "/usr/bin/convert " + d;
    ASSERT_TRUE(picstest::RunCommand(convert + "src.png -colors 2 " + d + "im_2.gif"));
    ASSERT_TRUE(picstest::RunCommand(convert + "src.png -colors 8 " + d + "im_8.gif"));
    ASSERT_TRUE(picstest::RunCommand(convert + "src.png -colors 200 -interlace GIF " + d +
                                     "im_200_interlaced.gif"));
  }
};
using GifFromOtherTools = formatstest::FromOtherTools<GifFiles>;

TEST_F(GifFromOtherTools, PillowFilesReadWithTheirPixels) {
  for (const char* name : {"pil_4.gif", "pil_16_interlaced.gif", "pil_256_interlaced.gif",
                           "pil_16_plain.gif", "pil_transparent.gif"}) {
    SCOPED_TRACE(name);
    PicturePtr picture(CPics::OpenPicture(Path(name).c_str()));
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->m_type, PictureGIF);
    picstest::ExpectSamePixels(*picture, DecodeWithPillow(Path(name)));
  }
}

TEST_F(GifFromOtherTools, ImageMagickFilesReadWithTheirPixels) {
  for (const char* name : {"im_2.gif", "im_8.gif", "im_200_interlaced.gif"}) {
    SCOPED_TRACE(name);
    PicturePtr picture(CPics::OpenPicture(Path(name).c_str()));
    ASSERT_TRUE(picture);
    picstest::ExpectSamePixels(*picture, DecodeWithImageMagick(Path(name)));
  }
}

TEST_F(GifFromOtherTools, DepthFollowsTheColourTable) {
  struct Case {
    const char* name;
    int bits;
  };
  // Two colours stay one bit; four and sixteen become four bits; more become eight.
  for (const Case& c : {Case{"im_2.gif", 1}, Case{"pil_4.gif", 4}, Case{"im_8.gif", 4},
                        Case{"pil_16_plain.gif", 4}, Case{"pil_256_interlaced.gif", 8}}) {
    SCOPED_TRACE(c.name);
    PicturePtr picture(CPics::OpenPicture(Path(c.name).c_str()));
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->m_bitsPerPixel, c.bits);
    void* dib = GlobalLock(picture->m_hDIB);
    EXPECT_EQ(CPics::DIBNumberOfColors(dib), 1 << c.bits);
    GlobalUnlock(picture->m_hDIB);
  }
}

TEST_F(GifFromOtherTools, OddButValidStreamsReadLikePillow) {
  for (const char* name : {"deferred_clear.gif", "wide_code_size.gif", "local_table.gif",
                           "extensions.gif", "interlaced_5.gif"}) {
    SCOPED_TRACE(name);
    PicturePtr picture(CPics::OpenPicture(Path(name).c_str()));
    ASSERT_TRUE(picture);
    picstest::ExpectSamePixels(*picture, DecodeWithPillow(Path(name)));
  }
}

TEST_F(GifFromOtherTools, OnlyTheFirstImageIsRead) {
  PicturePtr picture(CPics::OpenPicture(Path("pil_frames.gif").c_str()));
  ASSERT_TRUE(picture);
  picstest::ExpectSamePixels(*picture, DecodeWithPillow(Path("first.gif")));
}

TEST_F(GifFromOtherTools, ImageSmallerThanItsScreenKeepsTheImageSize) {
  PicturePtr picture(CPics::OpenPicture(Path("bigger_screen.gif").c_str()));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->m_width, 30);
  EXPECT_EQ(picture->m_height, 20);
  const picstest::RgbImage screen = DecodeWithPillow(Path("bigger_screen.gif"));
  ASSERT_EQ(screen.width, 45);
  picstest::RgbImage crop;
  crop.width = 30;
  crop.height = 20;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x)
      crop.rgb.insert(crop.rgb.end(), screen.At(x, y), screen.At(x, y) + 3);
  ExpectSameImage(PixelsOf(*picture), crop);
}

TEST_F(GifFromOtherTools, TransparentIndexBecomesAPaletteRelativeColour) {
  PicturePtr picture(CPics::OpenPicture(Path("pil_transparent.gif").c_str()));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->m_bTransparent, 1);
  // Entry 3 of the test palette: (168, 42, 162).
  EXPECT_EQ(picture->m_transparentColor, RGB(168, 42, 162) | 0x2000000u);
  PicturePtr plain(CPics::OpenPicture(Path("pil_4.gif").c_str()));
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->m_bTransparent, 0);
}

TEST_F(GifFromOtherTools, ForeignFilesAreDisabledUnlessDisplayIsSwitchedOn) {
  PicturePtr foreign(CPics::OpenPicture(Path("pil_4.gif").c_str()));
  ASSERT_TRUE(foreign);
  EXPECT_EQ(foreign->m_bEnabled, 0);
  EXPECT_NE(foreign->IsPictureDisabled(), 0);

  CPics::GifImageDisplayEnable = 1;
  PicturePtr shown(CPics::OpenPicture(Path("pil_4.gif").c_str()));
  CPics::GifImageDisplayEnable = 0;
  ASSERT_TRUE(shown);
  EXPECT_EQ(shown->m_bEnabled, 1);
  EXPECT_EQ(shown->IsPictureDisabled(), 0);
}

TEST_F(GifFromOtherTools, ReadsFromAnOpenFile) {
  CFile file(Path("pil_16_interlaced.gif").c_str(), CFile::modeRead);
  PicturePtr picture(CPics::OpenPicture(&file));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->m_type, PictureGIF);
  EXPECT_EQ(file.GetPosition(), 0u);
  picstest::ExpectSamePixels(*picture, DecodeWithPillow(Path("pil_16_interlaced.gif")));
}

TEST_F(GifFromOtherTools, OpeningWithoutReadingOnlyKeepsTheName) {
  PicturePtr picture(CPics::CreatePicture(Path("pil_4.gif").c_str(), PictureGIF));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->m_bHaveDIB, 0);
  EXPECT_EQ(picture->LoadPicture(0), 0);
  EXPECT_EQ(std::string(picture->m_szFileName), Path("pil_4.gif"));
}

TEST(GifInterlace, RowsFollowTheFourPasses) {
  EXPECT_EQ(graphics::GifRowOrder(5, true), (std::vector<std::uint16_t>{0, 4, 2, 1, 3}));
  EXPECT_EQ(graphics::GifRowOrder(2, true), (std::vector<std::uint16_t>{0, 1}));
  EXPECT_EQ(graphics::GifRowOrder(10, true),
            (std::vector<std::uint16_t>{0, 8, 4, 2, 6, 1, 3, 5, 7, 9}));
  EXPECT_EQ(graphics::GifRowOrder(3, false), (std::vector<std::uint16_t>{0, 1, 2}));
}

// --- Damaged and unusual files ----------------------------------------------------------

class GifDamage : public ::testing::Test {
 protected:
  // Builds a file with the Python builder; `call` is the make_gif argument list after the path.
  std::string Build(const std::string& name, const std::string& call) {
    const std::string path = dir.Path(name);
    EXPECT_TRUE(picstest::RunPython(giftest::GifBuilderPython() + "make_gif(r'" + path + "', " +
                                    call + ")\n"));
    return path;
  }
  ScratchDir dir;
};

TEST_F(GifDamage, EveryTruncationIsRefusedOrReadWithoutHarm) {
  const std::string whole =
      Build("whole.gif",
            "23, 17, [(x * 5 + y * 3) % 16 for y in range(17) for x in range(23)], "
            "[(i * 16, 255 - i * 16, i) for i in range(16)], interlace=True");
  const std::vector<std::uint8_t> bytes = ReadBytes(whole);
  const std::string cut = dir.Path("cut.gif");
  const std::size_t dataStart = giftest::ImageDescriptorOffset(bytes) + 10;
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    WriteBytes(cut, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + long(n)));
    PicturePtr picture(CPics::OpenPicture(cut.c_str()));
    // Once the code size byte is there, what was decoded stands.
    if (n > dataStart) {
      ASSERT_TRUE(picture) << n;
      EXPECT_EQ(picture->m_width, 23);
      EXPECT_EQ(picture->m_height, 17);
    } else {
      EXPECT_FALSE(picture) << n;
    }
  }
}

TEST_F(GifDamage, RowsTheDataDoesNotReachStayAtIndexZero) {
  // 4 x 4 image whose data ends after 6 pixels of index 1.
  const std::string path =
      Build("short.gif", "4, 4, [], [(0, 0, 0), (250, 250, 250)], data=lzw_codes([1] * 6, 2)");
  PicturePtr picture(CPics::OpenPicture(path.c_str()));
  ASSERT_TRUE(picture);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(picture->GetIndex(x, y), y * 4 + x < 6 ? 1 : 0) << x << "," << y;
}

TEST_F(GifDamage, CodeSizesOutsideTwoToNineAreRefused) {
  for (const int size : {0, 1, 10, 12, 200}) {
    SCOPED_TRACE(size);
    const std::string path =
        Build("size.gif", "4, 4, [], [(0, 0, 0), (9, 9, 9)], code_size=" + std::to_string(size) +
                              ", data=b'\\x00\\x00\\x00'");
    PicturePtr picture(CPics::OpenPicture(path.c_str()));
    EXPECT_FALSE(picture);
  }
  const std::string nine =
      Build("nine.gif", "6, 2, [1, 2, 3, 1, 2, 3] * 2, [(0, 0, 0), (9, 9, 9)], code_size=9");
  PicturePtr picture(CPics::OpenPicture(nine.c_str()));
  ASSERT_TRUE(picture);
  // Two colours make a one-bit picture: only the low bit of each index is kept.
  EXPECT_EQ(picture->GetIndex(4, 1), 0);
  EXPECT_EQ(picture->GetIndex(5, 1), 1);
}

TEST_F(GifDamage, ImpossibleSizesAreRefused) {
  for (const char* size : {"0, 5", "5, 0", "40000, 2", "32767, 32767"}) {
    SCOPED_TRACE(size);
    const std::string path =
        Build("size.gif", std::string(size) + ", [], [(0, 0, 0), (9, 9, 9)], data=b'\\x04\\x05'");
    EXPECT_FALSE(PicturePtr(CPics::OpenPicture(path.c_str())));
  }
  // The largest picture that a few bytes could ever fill is far below that.
  EXPECT_LT(graphics::MostPixelsFromCodeBytes(2), 64u);
}

TEST_F(GifDamage, ImageLargerThanItsScreenIsRead) {
  const std::string path = Build("small_screen.gif",
                                 "9, 6, [(x + y) % 4 for y in range(6) for x in range(9)], "
                                 "[(0, 0, 0), (80, 0, 0), (0, 80, 0), (0, 0, 80)], screen=(1, 1)");
  PicturePtr picture(CPics::OpenPicture(path.c_str()));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->m_width, 9);
  EXPECT_EQ(picture->GetIndex(8, 5), (8 + 5) % 4);
}

TEST_F(GifDamage, MissingColourTableGivesAGreyRamp) {
  const std::string path = Build("no_table.gif", "4, 1, [0, 1, 2, 3], None, code_size=2");
  // The screen's size field says 2 bits even without a table.
  std::vector<std::uint8_t> bytes = ReadBytes(path);
  bytes[10] = 0x01;
  WriteBytes(path, bytes);
  PicturePtr picture(CPics::OpenPicture(path.c_str()));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->GetPixel(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(picture->GetPixel(1, 0), RGB(85, 85, 85));
  EXPECT_EQ(picture->GetPixel(3, 0), RGB(255, 255, 255));
}

TEST_F(GifDamage, StrayBytesBeforeTheImageArePassedOver) {
  const std::string path =
      Build("stray.gif", "3, 1, [1, 0, 1], [(0, 0, 0), (200, 1, 2)], stray=b'\\x00\\x07xyz'");
  PicturePtr picture(CPics::OpenPicture(path.c_str()));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->GetPixel(0, 0), RGB(200, 1, 2));
  EXPECT_EQ(picture->GetPixel(1, 0), RGB(0, 0, 0));
}

TEST_F(GifDamage, FilesWithoutAnImageOrWithAnotherSignatureAreRefused) {
  WriteBytes(dir.Path("trailer.gif"), {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, ';'});
  EXPECT_FALSE(PicturePtr(CPics::OpenPicture(dir.Path("trailer.gif").c_str())));
  WriteBytes(dir.Path("version.gif"),
             {'G', 'I', 'F', '8', '8', 'a', 1, 0, 1, 0, 0,    0,    0, ',', 0,
              0,   0,   0,   1,   0,   1,   0, 0, 2, 2, 0x4C, 0x01, 0, ';'});
  EXPECT_FALSE(PicturePtr(CPics::OpenPicture(dir.Path("version.gif").c_str())));
}

TEST_F(GifDamage, GarbageCodesDecodeWithoutHarm) {
  // Codes far beyond the table, clear and end codes in odd places.
  std::string data = "b'";
  for (int i = 0; i < 600; ++i) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02x", (i * 193 + 71) % 256);
    data += hex;
  }
  data += "'";
  const std::string path =
      Build("garbage.gif", "64, 64, [], [(i, i, i) for i in range(256)], data=" + data);
  PicturePtr picture(CPics::OpenPicture(path.c_str()));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->m_width, 64);
}

}  // namespace
