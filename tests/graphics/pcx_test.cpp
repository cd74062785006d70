// PCX files: files made by Pillow and ImageMagick read with the right pixels, the
// files we write have the documented header and run codes and read the same in
// those tools, and damaged files are refused or read without harm.
#include <cstring>
#include <fcntl.h>

#include "format_test_support.h"
#include "graphics/formats/pcx/pcx_reader.h"
#include "graphics/formats/pcx/pcx_writer.h"

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
struct PcxFiles {
  static void Make(const std::string& d) {
    const std::string script = R"PY(
import random, struct
from PIL import Image
d = r')PY" + d + R"PY('
random.seed(11)
im = Image.new('RGB', (13, 7))
for x in range(13):
    for y in range(7):
        im.putpixel((x, y), (random.randrange(256), random.randrange(256), random.randrange(256)))
# long runs as well as noise
for x in range(13):
    im.putpixel((x, 3), (200, 10, 10))
im.save(d + 'src.png')
im.save(d + 'pil_24.pcx')
im.convert('P', palette=Image.ADAPTIVE, colors=40).save(d + 'pil_8.pcx')
im.convert('L').save(d + 'pil_grey.pcx')
im.convert('1').save(d + 'pil_1.pcx')
im.convert('1').save(d + 'bw.bmp')

# Sixteen colours in four bit planes, the way EGA pictures are stored.
w, h = 13, 7
bpl = 2
pal = [(i * 16, 255 - i * 15, (i * 73) % 256) for i in range(16)]
ref = Image.new('RGB', (w, h))
data = b''
for y in range(h):
    planes = [bytearray(bpl) for _ in range(4)]
    for x in range(w):
        v = (x * 3 + y * 5 + x * y) % 16
        ref.putpixel((x, y), pal[v])
        for p in range(4):
            if v >> p & 1:
                planes[p][x // 8] |= 0x80 >> (x % 8)
    for p in range(4):
        for b in planes[p]:
            data += bytes([0xC1, b]) if b >= 0xC0 else bytes([b])
head = struct.pack('<BBBBhhhhhh', 10, 5, 1, 1, 0, 0, w - 1, h - 1, 72, 72)
head += bytes(sum(pal, ())) + b'\0' + bytes([4]) + struct.pack('<hh', bpl, 1) + bytes(58)
open(d + 'planes_4.pcx', 'wb').write(head + data)
ref.save(d + 'planes_4.png')
)PY";
    ASSERT_TRUE(picstest::RunPython(script));
    const std::string convert = "/usr/bin/convert " + d;
    ASSERT_TRUE(picstest::RunCommand(convert + "src.png " + d + "im_24.pcx"));
    ASSERT_TRUE(
        picstest::RunCommand(convert + "src.png -colors 40 -type Palette " + d + "im_8.pcx"));
    ASSERT_TRUE(picstest::RunCommand(convert + "bw.bmp " + d + "im_1.pcx"));
  }
};
using PcxFromOtherTools = formatstest::FromOtherTools<PcxFiles>;

TEST_F(PcxFromOtherTools, PillowFilesReadWithTheirPixels) {
  for (const char* name : {"pil_24.pcx", "pil_8.pcx", "pil_grey.pcx"}) {
    SCOPED_TRACE(name);
    PicturePtr picture(CPics::OpenPicture(Path(name).c_str()));
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->m_type, PicturePCX);
    picstest::ExpectSamePixels(*picture, DecodeWithPillow(Path(name)));
  }
}

TEST_F(PcxFromOtherTools, ImageMagickFilesReadWithTheirPixels) {
  for (const char* name : {"im_24.pcx", "im_8.pcx"}) {
    SCOPED_TRACE(name);
    PicturePtr picture(CPics::OpenPicture(Path(name).c_str()));
    ASSERT_TRUE(picture);
    picstest::ExpectSamePixels(*picture, DecodeWithImageMagick(Path(name)));
  }
  // ImageMagick's one-bit files carry a black, white header palette but read back
  // inverted in ImageMagick itself; the palette in the file (and Pillow) decide.
  PicturePtr mono(CPics::OpenPicture(Path("im_1.pcx").c_str()));
  ASSERT_TRUE(mono);
  EXPECT_EQ(mono->m_bitsPerPixel, 1);
  picstest::ExpectSamePixels(*mono, DecodeWithPillow(Path("im_1.pcx")));
}

TEST_F(PcxFromOtherTools, FourBitPlanesCombineIntoSixteenColours) {
  PicturePtr picture(CPics::OpenPicture(Path("planes_4.pcx").c_str()));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->m_bitsPerPixel, 4);
  picstest::ExpectSamePixels(*picture, DecodeWithPillow(Path("planes_4.png")));
}

TEST_F(PcxFromOtherTools, OlderVersionOneBitFileDecodesBlackAndWhite) {
  // Pillow writes one-bit pictures as version 2 with an empty header palette.
  CFile file(Path("pil_1.pcx").c_str(), CFile::modeRead);
  HGLOBAL dib = graphics::ReadPcxFile(file).release();
  ASSERT_NE(dib, nullptr);
  PicturePtr picture = PictureFromDib(dib, PicturePCX);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->m_bitsPerPixel, 1);
  ExpectSameImage(PixelsOf(*picture), DecodeWithPillow(Path("pil_1.pcx")));
}

TEST_F(PcxFromOtherTools, ReadsFromAnOpenFile) {
  CFile file(Path("im_8.pcx").c_str(), CFile::modeRead);
  PicturePtr picture(CPics::OpenPicture(&file));
  ASSERT_TRUE(picture);
  EXPECT_EQ(file.GetPosition(), 0u);
  picstest::ExpectSamePixels(*picture, DecodeWithImageMagick(Path("im_8.pcx")));
}

// --- Writing -------------------------------------------------------------------------

TEST(PcxRunCodes, RunsCountEqualNeighboursAndRecodeTheirLastByte) {
  std::uint8_t out[64];
  const std::uint8_t row[] = {5, 5, 5, 7, 8};
  ASSERT_EQ(graphics::EncodePcxRow(row, 5, out), 5u);
  EXPECT_EQ(std::vector<std::uint8_t>(out, out + 5), (std::vector<std::uint8_t>{0xC2, 5, 5, 7, 8}));

  const std::uint8_t high[] = {0xC5};
  ASSERT_EQ(graphics::EncodePcxRow(high, 1, out), 2u);
  EXPECT_EQ(out[0], 0xC1);
  EXPECT_EQ(out[1], 0xC5);
}

TEST(PcxRunCodes, LongRunsSplitAtSixtyThreeAndStopAtTheRowEnd) {
  std::vector<std::uint8_t> row(100, 9), out(200);
  const std::size_t n = graphics::EncodePcxRow(row.data(), row.size(), out.data());
  // 63 pairs, then the 64th byte starts a run of 36, then the last byte alone.
  EXPECT_EQ(std::vector<std::uint8_t>(out.begin(), out.begin() + long(n)),
            (std::vector<std::uint8_t>{0xC0 + 63, 9, 0xC0 + 36, 9, 9}));
}

TEST(PcxWriting, EightBitHeaderAndEndPalette) {
  ScratchDir dir;
  PicturePtr picture = PictureFromDib(PatternDib(10, 2, 8), PicturePCX);
  ASSERT_TRUE(picture);
  const std::string path = dir.Path("p.pcx");
  ASSERT_EQ(picture->SavePicture(path.c_str(), -1), 1);
  const auto bytes = ReadBytes(path);
  ASSERT_GT(bytes.size(), 128u + 769u);
  EXPECT_EQ(bytes[0], 10);
  EXPECT_EQ(bytes[1], 5);
  EXPECT_EQ(bytes[2], 1);
  EXPECT_EQ(bytes[3], 8);
  EXPECT_EQ(U16At(bytes, 4), 0u);
  EXPECT_EQ(U16At(bytes, 6), 0u);
  EXPECT_EQ(U16At(bytes, 8), 9u);
  EXPECT_EQ(U16At(bytes, 10), 1u);
  EXPECT_EQ(U16At(bytes, 12), 10u);
  EXPECT_EQ(U16At(bytes, 14), 10u);
  EXPECT_EQ(bytes[64], 0);
  EXPECT_EQ(bytes[65], 1);
  EXPECT_EQ(U16At(bytes, 66), 12u);
  EXPECT_EQ(U16At(bytes, 68), 1u);
  EXPECT_EQ(U16At(bytes, 70), 1u);
  EXPECT_EQ(U16At(bytes, 72), 1u);
  EXPECT_EQ(std::string(bytes.begin() + 74, bytes.begin() + 128),
            "Created w/class lib, Raster Classes-Quillby Bookshop  ");
  // The header palette is the first 16 entries of the picture's palette.
  BYTE rgb[768] = {};
  CPics::GetDIBPalette(picture->m_hDIB, rgb);
  EXPECT_EQ(0, std::memcmp(&bytes[16], rgb, 48));
  const std::size_t tail = bytes.size() - 769;
  EXPECT_EQ(bytes[tail], 12);
  EXPECT_EQ(0, std::memcmp(&bytes[tail + 1], rgb, 768));
}

TEST(PcxWriting, SixteenColourFileHasNoEndPaletteAndHalfWidthResolution) {
  ScratchDir dir;
  PicturePtr picture = PictureFromDib(PatternDib(11, 3, 4), PicturePCX);
  ASSERT_TRUE(picture);
  const std::string path = dir.Path("p.pcx");
  ASSERT_EQ(picture->SavePicture(path.c_str(), -1), 1);
  const auto bytes = ReadBytes(path);
  EXPECT_EQ(bytes[3], 4);
  EXPECT_EQ(U16At(bytes, 12), 6u);  // 11 / 2 + 0.5
  EXPECT_EQ(U16At(bytes, 66), 8u);  // 6 bytes, made a multiple of 4
  // Rows of 8 bytes, each at most doubled by the run codes; no 769-byte tail.
  EXPECT_LE(bytes.size(), 128u + 3 * 16);
  PicturePtr back(CPics::OpenPicture(path.c_str()));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->m_bitsPerPixel, 4);
  ExpectSameImage(PixelsOf(*back), PixelsOf(*picture));
  // Pillow does not read four-bit PCX files; ImageMagick does.
  ExpectSameImage(PixelsOf(*back), DecodeWithImageMagick(path));
}

TEST(PcxWriting, OurFilesReadTheSameInPillowAndImageMagick) {
  // Pillow takes the line length from the width (the even byte count) and so reads
  // only pictures whose padded line has that length; ImageMagick reads any. Both
  // ignore the palette of one-bit files, ImageMagick taking a set bit as black.
  struct Case {
    int bits, width;
    bool pillow, imageMagick;
  };
  for (const Case c : {Case{1, 29, true, false}, Case{8, 12, true, true}, Case{8, 13, false, true},
                       Case{24, 12, true, true}, Case{24, 13, false, true}}) {
    SCOPED_TRACE(std::to_string(c.bits) + " bits, width " + std::to_string(c.width));
    ScratchDir dir;
    PicturePtr picture = PictureFromDib(PatternDib(c.width, 7, c.bits), PicturePCX);
    ASSERT_TRUE(picture);
    const std::string path = dir.Path("ours.pcx");
    ASSERT_EQ(picture->SavePicture(path.c_str(), -1), 1);
    PicturePtr back(CPics::OpenPicture(path.c_str()));
    ASSERT_TRUE(back);
    if (c.bits != 24) ExpectSameImage(PixelsOf(*back), PixelsOf(*picture));
    if (c.pillow) ExpectSameImage(PixelsOf(*back), DecodeWithPillow(path));
    if (c.imageMagick) ExpectSameImage(PixelsOf(*back), DecodeWithImageMagick(path));
  }
}

TEST(PcxWriting, TrueColourIsWrittenWithThePaletteOfItsIndices) {
  ScratchDir dir;
  PicturePtr picture = PictureFromDib(PatternDib(40, 30, 24), PicturePCX);
  ASSERT_TRUE(picture);
  const std::string path = dir.Path("true.pcx");
  ASSERT_EQ(picture->SavePicture(path.c_str(), -1), 1);
  const auto bytes = ReadBytes(path);
  EXPECT_EQ(bytes[3], 8);
  EXPECT_EQ(bytes[65], 1);
  EXPECT_EQ(U16At(bytes, 66), 40u);
  EXPECT_EQ(bytes[bytes.size() - 769], 12);
  // Every pixel comes back close to its colour: the indices and palette agree.
  PicturePtr back(CPics::OpenPicture(path.c_str()));
  ASSERT_TRUE(back);
  const auto ours = PixelsOf(*back), original = PixelsOf(*picture);
  int worst = 0;
  for (std::size_t i = 0; i < ours.rgb.size(); ++i)
    worst = std::max(worst, std::abs(ours.rgb[i] - original.rgb[i]));
  EXPECT_LE(worst, 48);
  // The picture object itself is not changed by the save.
  EXPECT_EQ(picture->m_bitsPerPixel, 24);
}

TEST(PcxWriting, EmptyPictureOrUnwritableFolderFails) {
  ScratchDir dir;
  PicturePtr empty(CPics::CreatePicture(dir.Path("e.pcx").c_str(), -1));
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->SavePicture(nullptr, -1), 0);
  PicturePtr picture = PictureFromDib(PatternDib(4, 4, 8), PicturePCX);
  EXPECT_EQ(picture->SavePicture((dir.Path("missing") + "/x.pcx").c_str(), -1), 0);
}

// --- Damaged and unusual files -----------------------------------------------------------

std::vector<std::uint8_t> Header(int bits, int planes, int width, int height, int bytesPerLine) {
  std::vector<std::uint8_t> h(128, 0);
  h[0] = 10, h[1] = 5, h[2] = 1, h[3] = std::uint8_t(bits);
  h[8] = std::uint8_t((width - 1) & 0xFF), h[9] = std::uint8_t((width - 1) >> 8);
  h[10] = std::uint8_t((height - 1) & 0xFF), h[11] = std::uint8_t((height - 1) >> 8);
  h[65] = std::uint8_t(planes);
  h[66] = std::uint8_t(bytesPerLine & 0xFF), h[67] = std::uint8_t(bytesPerLine >> 8);
  // header palette: entry 0 black, entry 1 white
  h[19] = h[20] = h[21] = 255;
  return h;
}

PicturePtr OpenBytes(const ScratchDir& dir, const std::vector<std::uint8_t>& bytes) {
  const std::string path = dir.Path("t.pcx");
  WriteBytes(path, bytes);
  return PicturePtr(CPics::OpenPicture(path.c_str()));
}

TEST(PcxDamaged, FileEndingAfterTheHeaderLoadsAllZero) {
  ScratchDir dir;
  PicturePtr picture = OpenBytes(dir, Header(8, 1, 10, 2, 10));
  ASSERT_TRUE(picture);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 10; ++x) EXPECT_EQ(picture->GetIndex(x, y), 0);
}

TEST(PcxDamaged, ShortDataLeavesTheLastRowsZeroAndRunsGoOnAcrossRows) {
  ScratchDir dir;
  auto bytes = Header(8, 1, 4, 3, 4);
  // A run of 6 fills row 0 and half of row 1; the data ends there.
  bytes.insert(bytes.end(), {0xC6, 0x33});
  PicturePtr picture = OpenBytes(dir, bytes);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->GetIndex(3, 0), 0x33);
  EXPECT_EQ(picture->GetIndex(1, 1), 0x33);
  EXPECT_EQ(picture->GetIndex(2, 1), 0);
  EXPECT_EQ(picture->GetIndex(0, 2), 0);
}

TEST(PcxDamaged, MonochromeUsesTheFirstTwoHeaderColours) {
  ScratchDir dir;
  auto bytes = Header(1, 1, 8, 1, 2);
  bytes[16] = 10, bytes[17] = 20, bytes[18] = 30;    // entry 0
  bytes[19] = 200, bytes[20] = 100, bytes[21] = 50;  // entry 1
  bytes.insert(bytes.end(), {0x0F, 0x00});
  PicturePtr picture = OpenBytes(dir, bytes);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->GetPixel(0, 0), RGB(10, 20, 30));
  EXPECT_EQ(picture->GetPixel(7, 0), RGB(200, 100, 50));
}

TEST(PcxDamaged, ImpossibleLayoutsAreRefused) {
  ScratchDir dir;
  EXPECT_FALSE(OpenBytes(dir, Header(8, 1, 10, 2, 9)));   // lines shorter than the width
  EXPECT_FALSE(OpenBytes(dir, Header(8, 0, 10, 2, 10)));  // no planes
  EXPECT_FALSE(OpenBytes(dir, Header(3, 1, 10, 2, 10)));  // three bits a pixel
  EXPECT_FALSE(OpenBytes(dir, Header(8, 2, 10, 2, 10)));  // two planes of bytes
  auto inverted = Header(8, 1, 10, 2, 10);
  inverted[4] = 20;  // xmin beyond xmax
  EXPECT_FALSE(OpenBytes(dir, inverted));
  EXPECT_FALSE(OpenBytes(dir, std::vector<std::uint8_t>{10, 5, 1, 8}));  // header cut short
}

TEST(PcxDamaged, HugeSidesOverTinyDataAreRefusedBeforeAllocating) {
  ScratchDir dir;
  auto bytes = Header(8, 3, 32767, 32767, 32768);
  bytes.insert(bytes.end(), {0xFF, 0x00});
  EXPECT_FALSE(OpenBytes(dir, bytes));
}

}  // namespace
