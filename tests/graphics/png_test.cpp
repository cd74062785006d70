// PNG reading (files of other tools against Pillow, palettes and transparency, sample
// depths, refusals) and writing (pictures and DIB sections with their settings).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Pics.h"
#include "graphics/core/dib_block.h"
#include "picture_test_support.h"

namespace {

using picstest::PicturePtr;
using picstest::ScratchDir;

const BYTE* PaletteOf(const CPics& picture, std::vector<BYTE>& copy) {
  graphics::LockedBlock dib(picture.m_hDIB);
  copy.assign(dib.data(), dib.data() + dib.size());
  return CPics::DIBPalettePtr(copy.data());
}

// "<stem><n>.png", built step by step (GCC 12 warns falsely on the one-line form).
std::string Numbered(const char* stem, int n) {
  std::string name(stem);
  name += std::to_string(n);
  name += ".png";
  return name;
}

// IHDR fields of a PNG file: bit depth, colour type, interlace.
struct Ihdr {
  int bitDepth, colorType, interlace;
};
Ihdr ReadIhdr(const std::string& path) {
  const std::vector<std::uint8_t> bytes = picstest::ReadBytes(path);
  if (bytes.size() < 29) return {0, 0, 0};
  return {bytes[24], bytes[25], bytes[28]};
}

TEST(PngReading, FilesOfOtherToolsMatchPillow) {
  ScratchDir dir;
  const std::string d = dir.path().string() + "/";
  ASSERT_TRUE(picstest::RunPython(
      "from PIL import Image\n"
      "d='" +
      d +
      "'\n"
      "im=Image.new('RGB',(45,29))\n"
      "im.putdata([((x*11)%256,(y*7+x)%256,(x*y)%256) for y in range(29) for x in range(45)])\n"
      "im.save(d+'rgb.png')\n"
      "a=im.convert('RGBA'); a.putalpha(Image.new('L',im.size,120)); a.save(d+'rgba.png')\n"
      "im.convert('L').save(d+'grey.png')\n"
      "im.convert('LA').save(d+'grey_alpha.png')\n"
      "im.convert('1').save(d+'bw.png')\n"
      "im.quantize(5).save(d+'p5.png')\n"
      "im.quantize(200).save(d+'p200.png')\n"
      "t=im.quantize(6); t.info['transparency']=2; t.save(d+'p_trns.png', transparency=2)\n"
      "im.save(d+'rgb_trns.png', transparency=(11,7,0))\n"));
  const std::string src = d + "rgb.png";
  ASSERT_TRUE(
      picstest::RunCommand("/usr/bin/convert " + src + " -interlace PNG " + d + "interlaced.png"));
  ASSERT_TRUE(picstest::RunCommand("/usr/bin/convert " + src +
                                   " -colorspace gray -depth 2 PNG8:" + d + "grey2.png"));
  ASSERT_TRUE(picstest::RunCommand("/usr/bin/convert " + src + " -colorspace gray -depth 4 " + d +
                                   "grey4.png"));
  ASSERT_TRUE(
      picstest::RunCommand("/usr/bin/convert " + src + " -colors 12 PNG8:" + d + "p12.png"));
  ASSERT_TRUE(
      picstest::RunCommand("/usr/bin/convert " + src + " -depth 16 PNG48:" + d + "rgb16.png"));
  ASSERT_TRUE(picstest::RunCommand("/usr/bin/convert " + src +
                                   " -alpha set -channel A -evaluate set 50% -depth 16 PNG64:" + d +
                                   "rgba16.png"));
  const std::vector<std::string> names = {"rgb",   "rgba",  "grey",   "grey_alpha", "bw",
                                          "p5",    "p200",  "p_trns", "rgb_trns",   "interlaced",
                                          "grey2", "grey4", "p12",    "rgb16",      "rgba16"};
  std::vector<std::string> paths;
  for (const std::string& name : names) paths.push_back(d + name + ".png");
  ASSERT_TRUE(picstest::DecodeAllWithPillow(paths));
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    PicturePtr picture(CPics::OpenPicture(path.c_str()));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->m_type, PicturePNG);
    picstest::ExpectSamePixels(*picture, picstest::LoadRgb(path + ".rgb"));
    CFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeRead));
    PicturePtr fromFile(CPics::OpenPicture(&file));
    ASSERT_NE(fromFile, nullptr);
    picstest::ExpectSamePixels(*fromFile, picstest::LoadRgb(path + ".rgb"));
  }
}

TEST(PngReading, SixteenBitGreyKeepsTheHighByte) {
  ScratchDir dir;
  const std::string path = dir.Path("g16.png");
  ASSERT_TRUE(
      picstest::RunPython("from PIL import Image\n"
                          "im=Image.new('I;16',(3,1))\n"
                          "im.putdata([0x0000,0x80FF,0xFF00])\n"
                          "im.save('" +
                          path + "')\n"));
  PicturePtr picture(CPics::OpenPicture(path.c_str()));
  ASSERT_NE(picture, nullptr);
  BYTE r = 0, g = 0, b = 0;
  picture->GetRGB(1, 0, &r, &g, &b);
  EXPECT_EQ(r, 0x80);
  picture->GetRGB(2, 0, &r, &g, &b);
  EXPECT_EQ(g, 0xFF);
}

TEST(PngReading, FivePaletteEntriesThenTheStandardFill) {
  ScratchDir dir;
  const std::string path = dir.Path("p5.png");
  ASSERT_TRUE(
      picstest::RunPython("from PIL import Image\n"
                          "im=Image.new('P',(5,1))\n"
                          "im.putpalette([10,20,30, 40,50,60, 70,80,90, 1,2,3, 4,5,6])\n"
                          "im.putdata([0,1,2,3,4])\n"
                          "im.info['transparency']=bytes([255,255,255,0,255])\n"
                          "im.save('" +
                          path + "', transparency=bytes([255,255,255,0,255]))\n"));
  PicturePtr picture(CPics::OpenPicture(path.c_str()));
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->m_bitsPerPixel, 8);
  std::vector<BYTE> copy;
  const BYTE* table = PaletteOf(*picture, copy);
  EXPECT_EQ(table[4 * 1 + 2], 40);
  EXPECT_EQ(table[4 * 4 + 0], 6);
  // Entry 5 is the sixth standard colour (purple), entry 16 starts the run again (black).
  EXPECT_EQ(table[4 * 5 + 2], 0x80);
  EXPECT_EQ(table[4 * 5 + 1], 0x00);
  EXPECT_EQ(table[4 * 5 + 0], 0x80);
  EXPECT_EQ(table[4 * 15 + 1], 0xFF);
  EXPECT_EQ(table[4 * 16 + 1], 0x00);
  EXPECT_EQ(picture->m_bTransparent, 1);
  EXPECT_EQ(picture->m_transparentColor, RGB(1, 2, 3));
}

TEST(PngReading, DamagedFilesAreRefused) {
  ScratchDir dir;
  ASSERT_TRUE(
      picstest::RunPython("from PIL import Image\n"
                          "Image.new('RGB',(64,64),(5,6,7)).save('" +
                          dir.Path("ok.png") + "')\n"));
  std::vector<std::uint8_t> bytes = picstest::ReadBytes(dir.Path("ok.png"));
  std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + bytes.size() / 2);
  picstest::WriteBytes(dir.Path("cut.png"), cut);
  std::vector<std::uint8_t> crc = bytes;
  crc[29] ^= 0xFF;  // IHDR CRC
  picstest::WriteBytes(dir.Path("crc.png"), crc);
  std::vector<std::uint8_t> huge = bytes;
  huge[16] = 0x7F;  // width far beyond what a picture may hold
  picstest::WriteBytes(dir.Path("huge.png"), huge);
  for (const char* name : {"cut.png", "crc.png", "huge.png"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(PicturePtr(CPics::OpenPicture(dir.Path(name).c_str())), nullptr);
    CFile file;
    ASSERT_TRUE(file.Open(dir.Path(name).c_str(), CFile::modeRead));
    EXPECT_EQ(PicturePtr(CPics::OpenPicture(&file)), nullptr);
  }
}

TEST(PngWriting, PicturesOfEveryDepthReadBackInPillow) {
  ScratchDir dir;
  const std::vector<uint32_t> colors = {0x000000, 0xFF8000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x808080,
                                        0x102030, 0x405060, 0x708090, 0xA0B0C0, 0xD0E0F0, 0x111111,
                                        0x222222, 0x333333, 0x444444, 0x555555};
  for (int bits : {1, 4, 8, 24}) {
    SCOPED_TRACE(bits);
    HGLOBAL dib = picstest::MakeDib(
        13, 6, bits,
        bits <= 8 ? std::vector<uint32_t>(colors.begin(), colors.begin() + std::min(16, 1 << bits))
                  : std::vector<uint32_t>{});
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 13; ++x)
        picstest::PutPixel(dib, x, y,
                           bits <= 8 ? uint32_t((x + 3 * y) % (1 << std::min(bits, 4)))
                                     : uint32_t(x * 19) << 16 | uint32_t(y * 40) << 8 | 7u);
    PicturePtr picture(CPics::CreatePicture(dib, PicturePNG, 0));
    ASSERT_NE(picture, nullptr);
    const std::string path = dir.Path(Numbered("out", bits));
    ASSERT_EQ(picture->SavePicture(path.c_str(), PicturePNG), 1);
    EXPECT_EQ(ReadIhdr(path).bitDepth, bits == 24 ? 8 : bits);
    EXPECT_EQ(ReadIhdr(path).colorType, bits == 24 ? 2 : 3);
    picstest::ExpectSamePixels(*picture, picstest::DecodeWithPillow(path));
  }
}

TEST(PngWriting, ObjectSettingsInterlaceTransparencyAndOneBitLimit) {
  ScratchDir dir;
  HGLOBAL dib = picstest::MakeDib(9, 4, 24);
  for (int x = 0; x < 9; ++x) picstest::PutPixel(dib, x, 1, 0xFFFFFF);
  PicturePtr picture(CPics::CreatePicture(dib, PicturePNG, 0));
  ASSERT_NE(picture, nullptr);
  picture->m_bPngInterlace = 1;
  picture->m_bTransparent = 1;
  picture->m_transparentColor = RGB(255, 255, 255);
  ASSERT_EQ(picture->SavePicture(dir.Path("i.png").c_str(), PicturePNG), 1);
  EXPECT_EQ(ReadIhdr(dir.Path("i.png")).interlace, 1);
  picstest::ExpectSamePixels(*picture, picstest::DecodeWithPillow(dir.Path("i.png")));
  PicturePtr back(CPics::OpenPicture(dir.Path("i.png").c_str()));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->m_bTransparent, 1);
  EXPECT_EQ(back->m_transparentColor, RGB(255, 255, 255));

  picture->m_pngBitDepthLimit = 1;
  picture->m_bPngInterlace = 0;
  ASSERT_EQ(picture->SavePicture(dir.Path("b.png").c_str(), PicturePNG), 1);
  EXPECT_EQ(ReadIhdr(dir.Path("b.png")).bitDepth, 1);
  picstest::ExpectSamePixels(*picture, picstest::DecodeWithPillow(dir.Path("b.png")));
}

HBITMAP MakeSection(int width, int height, int bits, const std::vector<RGBQUAD>& colors,
                    void** pixels) {
  std::vector<BYTE> storage(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
  auto* info = reinterpret_cast<BITMAPINFO*>(storage.data());
  info->bmiHeader.biSize = 40;
  info->bmiHeader.biWidth = width;
  info->bmiHeader.biHeight = height;
  info->bmiHeader.biPlanes = 1;
  info->bmiHeader.biBitCount = WORD(bits);
  info->bmiHeader.biClrUsed = DWORD(colors.size());
  for (std::size_t i = 0; i < colors.size(); ++i) info->bmiColors[i] = colors[i];
  return CreateDIBSection(nullptr, info, DIB_RGB_COLORS, pixels, nullptr, 0);
}

TEST(PngSection, TwelveColoursWrittenWithFourBitSamples) {
  ScratchDir dir;
  std::vector<RGBQUAD> colors;
  for (int i = 0; i < 12; ++i)
    colors.push_back(RGBQUAD{BYTE(i * 20), BYTE(255 - i * 20), BYTE(i * 7), 0});
  void* bits = nullptr;
  HBITMAP section = MakeSection(7, 2, 8, colors, &bits);
  ASSERT_NE(section, nullptr);
  auto* p = static_cast<BYTE*>(bits);
  for (int i = 0; i < 7; ++i) p[i] = BYTE(i), p[8 + i] = BYTE(11 - i);  // bottom row, then top row
  PNGSaveOptions options{1, 0, 0, 0, 0, 8};
  const std::string path = dir.Path("s.png");
  ASSERT_EQ(CPics::SaveDIBSECTIONasPNG(section, path.c_str(), &options, colors.data(), 12), 1);
  EXPECT_EQ(ReadIhdr(path).bitDepth, 4);
  EXPECT_EQ(ReadIhdr(path).interlace, 1);
  const picstest::RgbImage image = picstest::DecodeWithPillow(path);
  ASSERT_EQ(image.width, 7);
  EXPECT_EQ(image.At(2, 0)[0], colors[9].rgbRed);   // top row: 11 - 2
  EXPECT_EQ(image.At(2, 1)[2], colors[2].rgbBlue);  // bottom row: 2
  DeleteObject(section);
}

TEST(PngSection, OneBitLimitDithersMidGrey) {
  ScratchDir dir;
  void* bits = nullptr;
  HBITMAP section = MakeSection(8, 1, 24, {}, &bits);
  ASSERT_NE(section, nullptr);
  std::memset(bits, 128, 24);
  const std::vector<RGBQUAD> bw = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
  PNGSaveOptions options{0, 0, 0, 0, 0, 1};
  const std::string path = dir.Path("bw.png");
  ASSERT_EQ(CPics::SaveDIBSECTIONasPNG(section, path.c_str(), &options,
                                       const_cast<RGBQUAD*>(bw.data()), 2),
            1);
  EXPECT_EQ(ReadIhdr(path).bitDepth, 1);
  EXPECT_EQ(ReadIhdr(path).colorType, 3);
  const picstest::RgbImage image = picstest::DecodeWithPillow(path);
  ASSERT_EQ(image.width, 8);
  EXPECT_EQ(image.At(0, 0)[0], 0);
  EXPECT_EQ(image.At(1, 0)[0], 255);
  // One colour cannot carry a dithered picture.
  EXPECT_EQ(CPics::SaveDIBSECTIONasPNG(section, dir.Path("x.png").c_str(), &options,
                                       const_cast<RGBQUAD*>(bw.data()), 1),
            0);
  DeleteObject(section);
}

TEST(PngSection, TrueColourWithTransparencyAndBackground) {
  ScratchDir dir;
  for (int depth : {24, 32}) {
    void* bits = nullptr;
    HBITMAP section = MakeSection(3, 2, depth, {}, &bits);
    ASSERT_NE(section, nullptr);
    auto* p = static_cast<BYTE*>(bits);
    p[0] = 1, p[1] = 2, p[2] = 3;  // bottom-left pixel, blue first
    PNGSaveOptions options{0, 1, 1, RGB(3, 2, 1), RGB(9, 8, 7), 8};
    const std::string path = dir.Path(Numbered("t", depth));
    ASSERT_EQ(CPics::SaveDIBSECTIONasPNG(section, path.c_str(), &options, nullptr, 0), 1);
    const picstest::RgbImage image = picstest::DecodeWithPillow(path);
    ASSERT_EQ(image.height, 2);
    EXPECT_EQ(image.At(0, 1)[0], 3);
    EXPECT_EQ(image.At(0, 1)[2], 1);
    PicturePtr back(CPics::OpenPicture(path.c_str()));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->m_transparentColor, RGB(3, 2, 1));
    DeleteObject(section);
  }
}

}  // namespace
