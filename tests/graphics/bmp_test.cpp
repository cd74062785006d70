// BMP files: files made by other tools read with the right pixels, files we write
// read back the same in those tools, and damaged files are refused cleanly.
#include <csignal>
#include <cstring>
#include <sys/resource.h>

#include "format_test_support.h"
#include "picture_test_support.h"

using picstest::PicturePtr;
using picstest::ReadBytes;
using picstest::RgbImage;
using picstest::ScratchDir;
using picstest::WriteBytes;

namespace {

struct ToolFile {
  const char* name;
  int headerWord;  // as stored in the file
  int fileBits;
  int heldBits;   // once loaded
  int tolerance;  // per channel; 16-bit scaling differs by one between tools
};

const ToolFile kToolFiles[] = {
    {"pil_1.bmp", 40, 1, 1, 0},     {"pil_8gray.bmp", 40, 8, 8, 0}, {"pil_8.bmp", 40, 8, 8, 0},
    {"pil_24.bmp", 40, 24, 24, 0},  {"pil_32.bmp", 40, 32, 24, 0},  {"v4_8.bmp", 108, 8, 8, 0},
    {"im_4.bmp", 40, 4, 4, 0},      {"im_1.bmp", 40, 1, 1, 0},      {"core_24.bmp", 12, 24, 24, 0},
    {"core_8.bmp", 12, 8, 8, 0},    {"v5_24.bmp", 124, 24, 24, 0},  {"v5_565.bmp", 124, 16, 24, 1},
    {"v5_555.bmp", 124, 16, 24, 1}, {"v5_32.bmp", 124, 32, 24, 0},  {"plain_16.bmp", 40, 16, 24, 1},
    {"gap_24.bmp", 40, 24, 24, 0},
};

// Fixtures made once for the suite by Pillow, ImageMagick and hand-built headers.
// Files made by Pillow and ImageMagick, once for the suite.
struct BmpFiles {
  static void Make(const std::string& d) {
    const std::string script = R"PY(
import random, struct
from PIL import Image
d = r')PY" + d + R"PY('
random.seed(7)
im = Image.new('RGB', (13, 7))
for x in range(13):
    for y in range(7):
        im.putpixel((x, y), (random.randrange(256), random.randrange(256), random.randrange(256)))
im.save(d + 'src.png')
im.convert('1').save(d + 'pil_1.bmp')
im.convert('L').save(d + 'pil_8gray.bmp')
im.convert('P', palette=Image.ADAPTIVE, colors=40).save(d + 'pil_8.bmp')
im.save(d + 'pil_24.bmp')
im.convert('RGBA').save(d + 'pil_32.bmp')

# A 108-byte header: the 40-byte one followed by 68 bytes of masks, colour space and gamma.
data = open(d + 'pil_8.bmp', 'rb').read()
info = bytearray(data[14:54]); info[0:4] = struct.pack('<I', 108)
rest = data[54:]
head = b'BM' + struct.pack('<IHHI', 14 + 108 + len(rest), 0, 0, 14 + 108 + 1024)
open(d + 'v4_8.bmp', 'wb').write(head + bytes(info) + bytes(68) + rest)

# 16 bits without masks (5-5-5), 40-byte header, and its reference.
w, h = 5, 3
rows = b''
ref = Image.new('RGB', (w, h))
for y in range(h - 1, -1, -1):
    row = b''
    for x in range(w):
        r, g, b = (x * 7) % 32, (y * 11 + x) % 32, (x + y * 5) % 32
        row += struct.pack('<H', (r << 10) | (g << 5) | b)
        ref.putpixel((x, y), (r * 255 // 31, g * 255 // 31, b * 255 // 31))
    rows += row + bytes((-len(row)) % 4)
hdr = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 16, 0, 0, 0, 0, 0, 0)
open(d + 'plain_16.bmp', 'wb').write(b'BM' + struct.pack('<IHHI', 54 + len(rows), 0, 0, 54) + hdr + rows)
ref.save(d + 'plain_16.png')

# A gap between the colour table and the rows, placed by the offset field.
data = open(d + 'pil_24.bmp', 'rb').read()
gap = data[:10] + struct.pack('<I', 54 + 30) + data[14:54] + bytes(30) + data[54:]
open(d + 'gap_24.bmp', 'wb').write(gap)
)PY";
    ASSERT_TRUE(picstest::RunPython(script));
    const std::string convert = "/usr/bin/convert " + d + "src.png ";
    ASSERT_TRUE(picstest::RunCommand(convert + "-colors 16 -type Palette BMP3:" + d + "im_4.bmp"));
    ASSERT_TRUE(picstest::RunCommand(convert + "-colors 2 -type Palette BMP3:" + d + "im_1.bmp"));
    ASSERT_TRUE(picstest::RunCommand(convert + "BMP2:" + d + "core_24.bmp"));
    ASSERT_TRUE(
        picstest::RunCommand(convert + "-colors 100 -type Palette BMP2:" + d + "core_8.bmp"));
    ASSERT_TRUE(picstest::RunCommand(convert + d + "v5_24.bmp"));
    ASSERT_TRUE(picstest::RunCommand(convert + "-define bmp:subtype=RGB565 " + d + "v5_565.bmp"));
    ASSERT_TRUE(picstest::RunCommand(convert + "-define bmp:subtype=RGB555 " + d + "v5_555.bmp"));
    ASSERT_TRUE(picstest::RunCommand(convert + "-type TrueColorAlpha " + d + "v5_32.bmp"));
    std::vector<std::string> all;
    for (const ToolFile& file : kToolFiles) all.push_back(d + file.name);
    all.push_back(d + "plain_16.png");
    ASSERT_TRUE(picstest::DecodeAllWithPillow(all));
  }
};
using BmpFromOtherTools = formatstest::FromOtherTools<BmpFiles>;

void ExpectClosePixels(const CPics& picture, const RgbImage& reference, int tolerance,
                       const std::string& what) {
  ASSERT_EQ(picture.m_width, reference.width) << what;
  ASSERT_EQ(picture.m_height, reference.height) << what;
  int bad = 0;
  for (int y = 0; y < reference.height; ++y)
    for (int x = 0; x < reference.width; ++x) {
      BYTE c[3];
      ASSERT_EQ(picture.GetRGB(x, y, &c[0], &c[1], &c[2]), 1);
      for (int k = 0; k < 3; ++k)
        if (std::abs(int(c[k]) - int(reference.At(x, y)[k])) > tolerance && ++bad <= 3)
          ADD_FAILURE() << what << ": pixel " << x << "," << y << " channel " << k << " is "
                        << int(c[k]) << ", reference " << int(reference.At(x, y)[k]);
    }
}

// Raw RGB of a file as ImageMagick decodes it.
RgbImage DecodeWithImageMagick(const std::string& path, int width, int height) {
  ScratchDir tmp;
  RgbImage image;
  if (!picstest::RunCommand("/usr/bin/convert " + path + " -depth 8 rgb:" + tmp.Path("out.raw")))
    return image;
  image.width = width;
  image.height = height;
  image.rgb = ReadBytes(tmp.Path("out.raw"));
  if (image.rgb.size() != std::size_t(width) * height * 3) image.width = 0;
  return image;
}

std::uint32_t FieldU32(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  std::uint32_t v;
  std::memcpy(&v, bytes.data() + offset, 4);
  return v;
}

}  // namespace

TEST_F(BmpFromOtherTools, EveryDepthAndHeaderKindReadsWithTheToolsPixels) {
  for (const ToolFile& file : kToolFiles) {
    const std::string path = Path(file.name);
    const std::vector<std::uint8_t> bytes = ReadBytes(path);
    ASSERT_GE(bytes.size(), 30u) << file.name;
    EXPECT_EQ(FieldU32(bytes, 14), std::uint32_t(file.headerWord))
        << file.name << " is not the kind meant";
    PicturePtr picture(CPics::OpenPicture(path.c_str(), 0, nullptr));
    ASSERT_TRUE(picture) << file.name;
    EXPECT_EQ(picture->m_type, PictureBMP);
    EXPECT_EQ(picture->m_bitsPerPixel, file.heldBits) << file.name;
    const RgbImage reference = picstest::LoadRgb(
        (file.name == std::string("plain_16.bmp") ? Path("plain_16.png") : path) + ".rgb");
    ExpectClosePixels(*picture, reference, file.tolerance, file.name);
  }
}

TEST_F(BmpFromOtherTools, SavedFilesReadBackTheSameInPillowAndImageMagick) {
  std::vector<std::string> saved;
  for (const ToolFile& file : kToolFiles) {
    PicturePtr picture(CPics::OpenPicture(Path(file.name).c_str(), 0, nullptr));
    ASSERT_TRUE(picture) << file.name;
    saved.push_back(Path(std::string("saved_") + file.name));
    ASSERT_EQ(picture->SavePictureAs(saved.back().c_str(), PictureByExtension), 1) << file.name;
  }
  ASSERT_TRUE(picstest::DecodeAllWithPillow(saved));
  for (std::size_t i = 0; i < saved.size(); ++i) {
    PicturePtr picture(CPics::OpenPicture(Path(kToolFiles[i].name).c_str(), 0, nullptr));
    ExpectClosePixels(*picture, picstest::LoadRgb(saved[i] + ".rgb"), 0, "Pillow on " + saved[i]);
    ExpectClosePixels(*picture,
                      DecodeWithImageMagick(saved[i], picture->m_width, picture->m_height), 0,
                      "ImageMagick on " + saved[i]);
  }
}

TEST_F(BmpFromOtherTools, OpenFileLoadLeavesTheFileAtItsStart) {
  CFile file(Path("pil_24.bmp").c_str(), CFile::modeRead);
  PicturePtr picture(CPics::OpenPicture(&file, 0, nullptr));
  ASSERT_TRUE(picture);
  EXPECT_TRUE(file.IsOpen());
  EXPECT_EQ(file.GetPosition(), 0u);
  ExpectClosePixels(*picture, picstest::LoadRgb(Path("pil_24.bmp") + ".rgb"), 0, "open file");
}

TEST(BmpWrite, EightBitPictureHasTheExpectedLayout) {
  ScratchDir dir;
  std::vector<std::uint32_t> colors(256);
  for (int i = 0; i < 256; ++i) colors[i] = std::uint32_t(i) * 0x010101u;
  HGLOBAL dib = picstest::MakeDib(10, 3, 8, colors);
  picstest::PutPixel(dib, 9, 0, 200);
  PicturePtr picture(CPics::CreatePicture(dib, PictureBMP, 0));
  ASSERT_TRUE(picture);
  ASSERT_EQ(picture->SavePictureAs(dir.Path("ten.bmp").c_str(), PictureByExtension), 1);
  const std::vector<std::uint8_t> bytes = ReadBytes(dir.Path("ten.bmp"));
  ASSERT_EQ(bytes.size(), 1114u);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(FieldU32(bytes, 2), 1114u);
  EXPECT_EQ(FieldU32(bytes, 10), 1078u);
  EXPECT_EQ(FieldU32(bytes, 14 + 20), 36u);  // image size set, though it was 0
  EXPECT_EQ(bytes[1078 + 2 * 12 + 9], 200);  // top row is stored last
}

TEST(BmpWrite, NullNameWritesTheNameTheObjectWasMadeWith) {
  ScratchDir dir;
  const std::string path = dir.Path("named.bmp");
  PicturePtr target(CPics::CreatePicture(path.c_str(), PictureByExtension));
  ASSERT_TRUE(target);
  EXPECT_EQ(target->SavePicture(nullptr, -1), 0);  // empty: nothing to write
  EXPECT_FALSE(std::filesystem::exists(path));
  PicturePtr source(CPics::CreatePicture(picstest::MakeDib(2, 2, 24), PictureBMP, 0));
  ASSERT_TRUE(source);
  *target = *source;
  ASSERT_EQ(target->SavePicture(nullptr, -1), 1);
  EXPECT_EQ(ReadBytes(path).size(), 14u + 40u + 16u);
}

TEST(BmpWrite, FailedWriteThrowsAndKeepsTheOldFile) {
  ScratchDir dir;
  const std::string path = dir.Path("keep.bmp");
  WriteBytes(path, {'o', 'l', 'd'});
  PicturePtr picture(CPics::CreatePicture(picstest::MakeDib(300, 300, 24), PictureBMP, 0));
  ASSERT_TRUE(picture);

  // Limit file sizes so that the write fails half-way.
  struct rlimit old {};
  getrlimit(RLIMIT_FSIZE, &old);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 4096;
  setrlimit(RLIMIT_FSIZE, &small);
  bool threw = false;
  try {
    picture->SavePicture(path.c_str(), PictureBMP);
  } catch (const CFileException& error) {
    threw = true;
    EXPECT_EQ(error.m_cause, CFileException::diskFull);
  }
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_TRUE(threw);
  EXPECT_EQ(ReadBytes(path), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
  int files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
    ++files;
  EXPECT_EQ(files, 1) << "a temporary file was left behind";
}

TEST(BmpWrite, SavingToAnOpenFileThrowsOnWriteFailureAndWritesNothingWhenEmpty) {
  PicturePtr picture(CPics::CreatePicture(picstest::MakeDib(4, 4, 24), PictureBMP, 0));
  ASSERT_TRUE(picture);
  CFile full("/dev/full", CFile::modeWrite);
  EXPECT_THROW(picture->SavePicture(&full), CFileException);

  ScratchDir dir;
  CFile out(dir.Path("empty.bmp").c_str(), CFile::modeCreate | CFile::modeWrite);
  PicturePtr empty(CPics::CreatePicture(dir.Path("x.bmp").c_str(), PictureBMP));
  EXPECT_EQ(empty->SavePicture(&out), 0);
  EXPECT_EQ(out.GetLength(), 0u);
  ASSERT_EQ(picture->SavePicture(&out), 1);
  EXPECT_EQ(out.GetLength(), 14u + 40u + 48u);
}

// Damaged files: every one is refused by OpenPicture with no crash and no over-read.
class BmpBadInput : public ::testing::Test {
 protected:
  // A valid 4 x 4, 24-bit file.
  static std::vector<std::uint8_t> GoodFile() {
    std::vector<std::uint8_t> file(54 + 48, 0x5A);
    BITMAPFILEHEADER fh{0x4D42, 102, 0, 0, 54};
    BITMAPINFOHEADER ih{40, 4, 4, 1, 24, 0, 48, 0, 0, 0, 0};
    std::memcpy(file.data(), &fh, 14);
    std::memcpy(file.data() + 14, &ih, 40);
    return file;
  }
  static void Put32(std::vector<std::uint8_t>& file, std::size_t offset, std::uint32_t value) {
    std::memcpy(file.data() + offset, &value, 4);
  }
  static void Put16(std::vector<std::uint8_t>& file, std::size_t offset, std::uint16_t value) {
    std::memcpy(file.data() + offset, &value, 2);
  }
  bool Opens(const std::vector<std::uint8_t>& bytes) {
    const std::string path = dir.Path("bad.bmp");
    WriteBytes(path, bytes);
    PicturePtr picture(CPics::OpenPicture(path.c_str(), 0, nullptr));
    return picture != nullptr;
  }
  ScratchDir dir;
};

TEST_F(BmpBadInput, EveryTruncationIsRefused) {
  const std::vector<std::uint8_t> good = GoodFile();
  ASSERT_TRUE(Opens(good));
  for (std::size_t length = 0; length < good.size(); ++length)
    EXPECT_FALSE(Opens({good.begin(), good.begin() + length})) << "cut to " << length << " bytes";
}

TEST_F(BmpBadInput, HeadersPromisingMoreThanTheFileHoldsAreRefused) {
  auto file = GoodFile();
  Put32(file, 14 + 8, 1000);  // height
  EXPECT_FALSE(Opens(file));
  file = GoodFile();
  Put32(file, 14 + 4, 32767);
  Put32(file, 14 + 8, 32767);
  EXPECT_FALSE(Opens(file));
  file = GoodFile();
  Put16(file, 14 + 14, 8);  // 8 bits needs a 1024-byte table first
  EXPECT_FALSE(Opens(file));
}

TEST_F(BmpBadInput, AbsurdOrUnsupportedHeaderFieldsAreRefused) {
  struct Change {
    std::size_t offset;
    int width;
    std::uint32_t value;
    const char* what;
  };
  const Change changes[] = {
      {14 + 4, 4, 0, "zero width"},
      {14 + 8, 4, 0, "zero height"},
      {14 + 4, 4, 0xFFFFFFFC, "negative width"},
      {14 + 8, 4, 0xFFFFFFFC, "top-down rows"},
      {14 + 4, 4, 40000, "width over 32767"},
      {14 + 8, 4, 0x80000000, "huge height"},
      {14 + 32, 4, 257, "257 colours used"},
      {14 + 32, 4, 0xFFFFFFFF, "colours used all ones"},
      {14 + 16, 4, 1, "run-length compression"},
      {14 + 16, 4, 3, "masks on 24 bits"},
      {14 + 14, 2, 7, "7 bits per pixel"},
      {14 + 14, 2, 0, "0 bits per pixel"},
      {14 + 12, 2, 0, "0 planes"},
      {14, 4, 1000, "header size 1000"},
      {14, 4, 0, "header size 0"},
      {14, 4, 0xFFFFFFFF, "header size all ones"},
  };
  for (const Change& change : changes) {
    auto file = GoodFile();
    if (change.width == 4)
      Put32(file, change.offset, change.value);
    else
      Put16(file, change.offset, static_cast<std::uint16_t>(change.value));
    EXPECT_FALSE(Opens(file)) << change.what;
  }
}

TEST_F(BmpBadInput, RefusedFileIsStillRecognisedAsBmp) {
  auto file = GoodFile();
  Put32(file, 14 + 32, 300);
  WriteBytes(dir.Path("x.bmp"), file);
  EXPECT_EQ(CPics::PictureType(dir.Path("x.bmp").c_str()), PictureBMP);
  EXPECT_EQ(CPics::OpenPicture(dir.Path("x.bmp").c_str(), 0, nullptr), nullptr);
  CFile open(dir.Path("x.bmp").c_str(), CFile::modeRead);
  EXPECT_EQ(CPics::OpenPicture(&open, 0, nullptr), nullptr);
  EXPECT_TRUE(open.IsOpen());
}
