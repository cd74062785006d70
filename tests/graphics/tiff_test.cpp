// TIFF reading (files of other tools against Pillow, the decoding step's palettes and
// sample unpacking, refusals) and writing (pictures and DIB sections, read back by
// Pillow and tiffinfo).
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "Pics.h"
#include "graphics/formats/coder/pic_decoder.h"
#include "picture_test_support.h"

namespace {

using picstest::PicturePtr;
using picstest::ScratchDir;

// Writes a one-sample TIFF with libtiff: rows of packed samples, optional colour map.
void WriteGreyTiff(const std::string& path, int width, int height, int bits, int photometric,
                   const std::vector<std::vector<BYTE>>& rows,
                   const std::vector<uint16_t>* map = nullptr) {
  TIFF* tiff = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(tiff, nullptr);
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(width));
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(height));
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, uint16_t(bits));
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, uint16_t(1));
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, uint16_t(photometric));
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  if (map != nullptr) {
    const std::size_t n = map->size() / 3;
    TIFFSetField(tiff, TIFFTAG_COLORMAP, map->data(), map->data() + n, map->data() + 2 * n);
  }
  for (int y = 0; y < height; ++y)
    TIFFWriteScanline(tiff, const_cast<BYTE*>(rows[y].data()), uint32_t(y), 0);
  TIFFClose(tiff);
}

// Decodes a file through the framework into an 8- or 32-bit bitmap.
void Decode(const std::string& path, graphics::CWinBmp& bitmap) {
  graphics::CAnyPicDecoder decoder;
  decoder.MakeBmpFromFile(path.c_str(), &bitmap, 0);
}

TEST(TiffReading, FilesOfOtherToolsMatchPillow) {
  ScratchDir dir;
  const std::string d = dir.path().string() + "/";
  ASSERT_TRUE(picstest::RunPython(
      "from PIL import Image\n"
      "d='" +
      d +
      "'\n"
      "im=Image.new('RGB',(53,31))\n"
      "im.putdata([((x*9)%256,(y*13+x)%256,(x*y*3)%256) for y in range(31) for x in range(53)])\n"
      "im.save(d+'src.png')\n"
      "im.save(d+'rgb_none.tif')\n"
      "im.save(d+'rgb_lzw.tif',compression='tiff_lzw')\n"
      "im.save(d+'rgb_packbits.tif',compression='packbits')\n"
      "im.save(d+'rgb_deflate.tif',compression='tiff_adobe_deflate')\n"
      "a=im.convert('RGBA'); a.putalpha(Image.new('L',im.size,200)); a.save(d+'rgba.tif')\n"
      "im.convert('L').save(d+'grey.tif')\n"
      "im.convert('L').save(d+'grey_lzw.tif',compression='tiff_lzw')\n"
      "im.convert('1').save(d+'bw.tif')\n"
      "im.convert('1').save(d+'bw_g4.tif',compression='group4')\n"
      "im.quantize(40).save(d+'palette.tif')\n"
      "im.quantize(40).save(d+'palette_packbits.tif',compression='packbits')\n"));
  const std::string src = d + "src.png";
  ASSERT_TRUE(picstest::RunCommand("/usr/bin/tiffcp -t -w 16 -l 16 -c lzw " + d + "rgb_none.tif " +
                                   d + "rgb_tiles.tif"));
  ASSERT_TRUE(picstest::RunCommand("/usr/bin/tiffcp -t -w 16 -l 16 " + d + "palette.tif " + d +
                                   "palette_tiles.tif"));
  ASSERT_TRUE(picstest::RunCommand("/usr/bin/tiffcp -c g3 " + d + "bw.tif " + d + "bw_g3.tif"));
  ASSERT_TRUE(picstest::RunCommand("/usr/bin/tiffcp -s -r 5 -c zip " + d + "grey.tif " + d +
                                   "grey_strips_zip.tif"));
  ASSERT_TRUE(picstest::RunCommand("/usr/bin/tiffcp -p separate " + d + "rgb_none.tif " + d +
                                   "rgb_planar.tif"));
  ASSERT_TRUE(picstest::RunCommand("/usr/bin/convert " + src + " -colorspace gray -depth 2 " + d +
                                   "grey2.tif"));
  ASSERT_TRUE(picstest::RunCommand("/usr/bin/convert " + src + " -colorspace gray -depth 4 " + d +
                                   "grey4.tif"));
  ASSERT_TRUE(picstest::RunCommand("/usr/bin/convert " + src + " -depth 16 " + d + "rgb16.tif"));
  ASSERT_TRUE(picstest::RunCommand("/usr/bin/convert " + src + " -colors 12 -type Palette " + d +
                                   "palette_im.tif"));
  ASSERT_TRUE(picstest::RunCommand("/usr/bin/convert " + src +
                                   " -monochrome -define tiff:photometric=min-is-white " + d +
                                   "bw_miniswhite.tif"));
  ASSERT_TRUE(picstest::RunCommand("/usr/bin/convert " + src +
                                   " -colorspace gray -define tiff:photometric=min-is-white " + d +
                                   "grey_miniswhite.tif"));
  const std::vector<std::string> names = {"rgb_none",
                                          "rgb_lzw",
                                          "rgb_packbits",
                                          "rgb_deflate",
                                          "rgba",
                                          "grey",
                                          "grey_lzw",
                                          "bw",
                                          "bw_g4",
                                          "palette",
                                          "palette_packbits",
                                          "rgb_tiles",
                                          "palette_tiles",
                                          "bw_g3",
                                          "grey_strips_zip",
                                          "rgb_planar",
                                          "grey2",
                                          "grey4",
                                          "rgb16",
                                          "palette_im",
                                          "bw_miniswhite",
                                          "grey_miniswhite"};
  std::vector<std::string> paths;
  for (const std::string& name : names) paths.push_back(d + name + ".tif");
  ASSERT_TRUE(picstest::DecodeAllWithPillow(paths));
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    PicturePtr picture(CPics::OpenPicture(path.c_str()));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->m_type, PictureTIFF);
    picstest::ExpectSamePixels(*picture, picstest::LoadRgb(path + ".rgb"));
  }
}

TEST(TiffReading, OneBitMinIsWhiteHasWhiteFirst) {
  ScratchDir dir;
  const std::string path = dir.Path("w.tif");
  WriteGreyTiff(path, 10, 2, 1, PHOTOMETRIC_MINISWHITE, {{0xA0, 0x00}, {0x00, 0x40}});
  graphics::CWinBmp bitmap;
  Decode(path, bitmap);
  ASSERT_EQ(bitmap.GetBitsPerPixel(), 8);
  const RGBQUAD* palette = bitmap.GetPalette();
  EXPECT_EQ(palette[0].rgbRed, 255);
  EXPECT_EQ(palette[1].rgbRed, 0);
  const BYTE expected[] = {1, 0, 1, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(bitmap.GetLineArray()[0], expected, 10), 0);
  EXPECT_EQ(bitmap.GetLineArray()[1][9], 1);
}

TEST(TiffReading, TwoAndFourBitSamplesAreUnpacked) {
  ScratchDir dir;
  // Five pixels: the fifth comes from the high nibble of the third byte.
  WriteGreyTiff(dir.Path("g4.tif"), 5, 1, 4, PHOTOMETRIC_MINISBLACK, {{0x12, 0x34, 0x5F}});
  graphics::CWinBmp four;
  Decode(dir.Path("g4.tif"), four);
  const BYTE expected4[] = {1, 2, 3, 4, 5};
  EXPECT_EQ(std::memcmp(four.GetLineArray()[0], expected4, 5), 0);
  EXPECT_EQ(four.GetPalette()[15].rgbGreen, 255);
  EXPECT_EQ(four.GetPalette()[1].rgbGreen, 17);

  WriteGreyTiff(dir.Path("g2.tif"), 6, 1, 2, PHOTOMETRIC_MINISBLACK, {{0x1B, 0xE0}});
  graphics::CWinBmp two;
  Decode(dir.Path("g2.tif"), two);
  const BYTE expected2[] = {0, 1, 2, 3, 3, 2};
  EXPECT_EQ(std::memcmp(two.GetLineArray()[0], expected2, 6), 0);
  EXPECT_EQ(two.GetPalette()[2].rgbRed, 170);
}

TEST(TiffReading, ColourMapsOfEightAndSixteenBits) {
  ScratchDir dir;
  std::vector<uint16_t> small(3 * 256, 0), wide(3 * 256, 0);
  small[1] = 200, small[256 + 1] = 100, small[512 + 1] = 50;  // values below 256: as they are
  wide[1] = 200 * 257, wide[256 + 1] = 100 * 257, wide[512 + 1] = 50 * 257;  // scaled from 16 bits
  for (const auto* map : {&small, &wide}) {
    WriteGreyTiff(dir.Path("p.tif"), 2, 1, 8, PHOTOMETRIC_PALETTE, {{0, 1}}, map);
    graphics::CWinBmp bitmap;
    Decode(dir.Path("p.tif"), bitmap);
    const RGBQUAD entry = bitmap.GetPalette()[1];
    EXPECT_EQ(entry.rgbRed, 200);
    EXPECT_EQ(entry.rgbGreen, 100);
    EXPECT_EQ(entry.rgbBlue, 50);
  }
}

TEST(TiffReading, RgbaBecomesThirtyTwoBitsWithAlpha) {
  ScratchDir dir;
  const std::string d = dir.path().string() + "/";
  ASSERT_TRUE(
      picstest::RunPython("from PIL import Image\n"
                          "Image.new('RGBA',(3,2),(10,20,30,99)).save('" +
                          d +
                          "a.tif')\n"
                          "Image.new('RGBA',(3,2),(10,20,30,99)).save('" +
                          d + "t.tif', tile=None)\n"));
  ASSERT_TRUE(
      picstest::RunCommand("/usr/bin/tiffcp -t -w 16 -l 16 " + d + "a.tif " + d + "tiles.tif"));
  for (const char* name : {"a.tif", "tiles.tif"}) {
    graphics::CWinBmp bitmap;
    Decode(d + name, bitmap);
    ASSERT_EQ(bitmap.GetBitsPerPixel(), 32);
    EXPECT_TRUE(bitmap.HasAlpha());
    const BYTE* p = bitmap.GetLineArray()[1] + 8;
    EXPECT_EQ(p[2], 10);
    EXPECT_EQ(p[3], 99);
  }
}

TEST(TiffReading, DamagedFilesThrowToTheCaller) {
  ScratchDir dir;
  // A header libtiff cannot open is refused by name before any decoding; from an open
  // file it reaches the decoder, which throws.
  const std::string bad = dir.Path("bad.tif");
  picstest::WriteBytes(bad, {'I', 'I', 42, 0, 0xFF, 0xFF, 0, 0, 1, 2, 3});
  EXPECT_EQ(PicturePtr(CPics::OpenPicture(bad.c_str())), nullptr);
  CFile file;
  ASSERT_TRUE(file.Open(bad.c_str(), CFile::modeRead));
  try {
    PicturePtr picture(CPics::OpenPicture(&file));
    FAIL() << "no exception";
  } catch (const CTextException& e) {
    EXPECT_EQ(e.GetCode(), DecoderErrLibrary);
    EXPECT_EQ(std::string(e.GetText()).rfind("Decoder error: ", 0), 0u);
  }

  // Strips cut short: the rows that cannot be read are an error, not garbage.
  ASSERT_TRUE(
      picstest::RunPython("from PIL import Image\n"
                          "Image.new('RGB',(40,40),(1,2,3)).save('" +
                          dir.Path("whole.tif") + "')\n"));
  std::vector<std::uint8_t> bytes = picstest::ReadBytes(dir.Path("whole.tif"));
  bytes.resize(bytes.size() / 2);
  picstest::WriteBytes(dir.Path("cut.tif"), bytes);
  EXPECT_THROW(PicturePtr(CPics::OpenPicture(dir.Path("cut.tif").c_str())), CTextException);
}

TEST(TiffWriting, PicturesReadBackInPillowWithTheirColours) {
  ScratchDir dir;
  HGLOBAL rgb = picstest::MakeDib(7, 5, 24);
  HGLOBAL pal = picstest::MakeDib(7, 5, 8, {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0x123456}, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) {
      picstest::PutPixel(rgb, x, y,
                         uint32_t(x * 30) << 16 | uint32_t(y * 50) << 8 | uint32_t(x + y));
      picstest::PutPixel(pal, x, y, uint32_t((x + y) % 5));
    }
  PicturePtr truecolor(CPics::CreatePicture(rgb, PictureTIFF, 0));
  PicturePtr palette(CPics::CreatePicture(pal, PictureTIFF, 0));
  ASSERT_TRUE(truecolor && palette);
  ASSERT_EQ(truecolor->SavePicture(dir.Path("rgb.tif").c_str(), PictureTIFF), 1);
  ASSERT_EQ(palette->SavePicture(dir.Path("pal.tif").c_str(), PictureTIFF), 1);

  picstest::ExpectSamePixels(*truecolor, picstest::DecodeWithPillow(dir.Path("rgb.tif")));
  picstest::ExpectSamePixels(*palette, picstest::DecodeWithPillow(dir.Path("pal.tif")));
  PicturePtr reread(CPics::OpenPicture(dir.Path("pal.tif").c_str()));
  ASSERT_NE(reread, nullptr);
  picstest::ExpectSamePixels(*reread, picstest::DecodeWithPillow(dir.Path("pal.tif")));
  ASSERT_TRUE(picstest::RunCommand("/usr/bin/tiffinfo " + dir.Path("pal.tif") + " > " +
                                   dir.Path("info.txt")));
  std::ifstream info(dir.Path("info.txt"));
  const std::string text((std::istreambuf_iterator<char>(info)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("Compression Scheme: LZW"), std::string::npos);
  EXPECT_NE(text.find("Photometric Interpretation: palette color"), std::string::npos);
}

// A 24-bit DIB section of the given top-down pixels (0xRRGGBB).
HBITMAP Section24(int width, int height, const std::vector<uint32_t>& pixels) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = 40;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const std::size_t stride = (std::size_t(width) * 3 + 3) & ~std::size_t(3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      BYTE* p = static_cast<BYTE*>(bits) + std::size_t(height - 1 - y) * stride + 3 * x;
      const uint32_t c = pixels[std::size_t(y) * width + x];
      p[0] = BYTE(c), p[1] = BYTE(c >> 8), p[2] = BYTE(c >> 16);
    }
  return section;
}

std::string TiffInfo(const std::string& path) {
  const std::string out = path + ".info";
  if (!picstest::RunCommand("/usr/bin/tiffinfo " + path + " > " + out + " 2>&1")) return {};
  std::ifstream in(out);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(TiffSection, ImageTypesAndCompressions) {
  ScratchDir dir;
  std::vector<uint32_t> pixels(4 * 3);
  for (std::size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = uint32_t(i * 20) << 16 | uint32_t(255 - i * 10) << 8 | 0x40;
  HBITMAP section = Section24(4, 3, pixels);
  ASSERT_NE(section, nullptr);
  TIFSaveOptions rgbLzw{3, 3};
  ASSERT_EQ(CPics::SaveDIBSECTIONasTIF(section, dir.Path("rgb.tif").c_str(), &rgbLzw, nullptr, 0),
            1);
  EXPECT_NE(TiffInfo(dir.Path("rgb.tif")).find("Compression Scheme: LZW"), std::string::npos);
  const picstest::RgbImage rgb = picstest::DecodeWithPillow(dir.Path("rgb.tif"));
  ASSERT_EQ(rgb.width, 4);
  EXPECT_EQ(rgb.At(3, 2)[0], 11 * 20);
  EXPECT_EQ(rgb.At(3, 2)[1], 255 - 110);

  TIFSaveOptions greyPackBits{2, 1}, greyAgain{2, 9};
  ASSERT_EQ(
      CPics::SaveDIBSECTIONasTIF(section, dir.Path("g1.tif").c_str(), &greyPackBits, nullptr, 0),
      1);
  ASSERT_EQ(CPics::SaveDIBSECTIONasTIF(section, dir.Path("g2.tif").c_str(), &greyAgain, nullptr, 0),
            1);
  EXPECT_NE(TiffInfo(dir.Path("g2.tif")).find("PackBits"), std::string::npos);
  const picstest::RgbImage grey = picstest::DecodeWithPillow(dir.Path("g2.tif"));
  const uint32_t c = pixels[5];
  EXPECT_EQ(grey.At(1, 1)[0], (30 * (c >> 16) + 59 * ((c >> 8) & 255) + 11 * (c & 255)) / 100);

  TIFSaveOptions grey4{1, 0}, bilevelG4{0, 5}, rgbG4{3, 5}, unknown{8, 0};
  ASSERT_EQ(CPics::SaveDIBSECTIONasTIF(section, dir.Path("g4.tif").c_str(), &grey4, nullptr, 0), 1);
  EXPECT_EQ(picstest::DecodeWithPillow(dir.Path("g4.tif")).At(1, 1)[0],
            ((30 * (c >> 16) + 59 * ((c >> 8) & 255) + 11 * (c & 255)) / 100 & 0xF0) * 17 / 16);
  ASSERT_EQ(CPics::SaveDIBSECTIONasTIF(section, dir.Path("bw.tif").c_str(), &bilevelG4, nullptr, 0),
            1);
  EXPECT_NE(TiffInfo(dir.Path("bw.tif")).find("CCITT Group 4"), std::string::npos);
  // Group 4 cannot hold colour rows: the save fails and leaves no file.
  EXPECT_EQ(CPics::SaveDIBSECTIONasTIF(section, dir.Path("bad.tif").c_str(), &rgbG4, nullptr, 0),
            0);
  EXPECT_FALSE(std::filesystem::exists(dir.Path("bad.tif")));
  EXPECT_EQ(CPics::SaveDIBSECTIONasTIF(section, dir.Path("x.tif").c_str(), &unknown, nullptr, 0),
            0);
  DeleteObject(section);
}

TEST(TiffSection, BlackAndWhiteDitherOfMidGrey) {
  ScratchDir dir;
  HBITMAP section = Section24(8, 1, std::vector<uint32_t>(8, 0x808080));
  TIFSaveOptions options{0, 0};
  ASSERT_EQ(CPics::SaveDIBSECTIONasTIF(section, dir.Path("bw.tif").c_str(), &options, nullptr, 0),
            1);
  TIFF* tiff = TIFFOpen(dir.Path("bw.tif").c_str(), "r");
  ASSERT_NE(tiff, nullptr);
  BYTE row[8] = {};
  ASSERT_EQ(TIFFReadScanline(tiff, row, 0, 0), 1);
  // 128 is not above 128; its error lifts the next pixel to 184, which is.
  EXPECT_EQ(row[0] & 0xC0, 0x40);
  TIFFClose(tiff);
  DeleteObject(section);
}

}  // namespace

namespace {

TEST(TiffPngTool, ConvertsBothWaysAndTellsTheFacts) {
  ScratchDir dir;
  ASSERT_TRUE(
      picstest::RunPython("from PIL import Image\n"
                          "im=Image.new('RGB',(21,9))\n"
                          "im.putdata([(x*12,y*28,(x+y)*5) for y in range(9) for x in range(21)])\n"
                          "im.save('" +
                          dir.Path("in.png") + "')\n"));
  const std::string pics = std::string(BUILD_DIR) + "/bin/pics";
  ASSERT_TRUE(
      picstest::RunCommand(pics + " convert " + dir.Path("in.png") + " " + dir.Path("a.tif")));
  ASSERT_TRUE(picstest::RunCommand(pics + " convert " + dir.Path("a.tif") + " " +
                                   dir.Path("b.png") + " > /dev/null"));
  ASSERT_TRUE(
      picstest::RunCommand(pics + " info " + dir.Path("a.tif") + " > " + dir.Path("info.txt")));
  std::ifstream info(dir.Path("info.txt"));
  std::string line;
  std::getline(info, line);
  EXPECT_EQ(line.rfind("type=6 width=21 height=9 bpp=24 colors=0 format=TIFF ", 0), 0u) << line;
  const picstest::RgbImage original = picstest::DecodeWithPillow(dir.Path("in.png"));
  const picstest::RgbImage back = picstest::DecodeWithPillow(dir.Path("b.png"));
  EXPECT_EQ(back.rgb, original.rgb);
  EXPECT_FALSE(picstest::RunCommand(pics + " info " + dir.Path("missing.png") + " 2> /dev/null"));
}

}  // namespace
