// The decoder framework: recognition by first bytes, hand-over and refusals with their
// codes, opening files, the trace file, and the bitmap layout.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "Pics.h"
#include "graphics/formats/coder/dib_section_bitmap.h"
#include "graphics/formats/coder/pic_decoder.h"
#include "graphics/formats/coder/pic_type_recognizer.h"
#include "picture_test_support.h"

namespace {

using graphics::DecoderFileType;
using graphics::RecognizeType;
using picstest::ScratchDir;

DecoderFileType TypeOf(const std::vector<BYTE>& bytes) {
  return RecognizeType(bytes.data(), bytes.size());
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

int DecodeErrorCode(const std::string& path, std::string* text = nullptr) {
  graphics::CAnyPicDecoder decoder;
  graphics::CWinBmp bitmap;
  try {
    decoder.MakeBmpFromFile(path.c_str(), &bitmap, 0);
  } catch (const CTextException& e) {
    if (text != nullptr) *text = e.GetText();
    return e.GetCode();
  }
  return 0;
}

// A little-endian u32 at offset.
void PutU32(std::vector<BYTE>& bytes, std::size_t offset, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = BYTE(v >> (8 * i));
}

TEST(DecoderRecognition, FirstBytesInTableOrder) {
  EXPECT_EQ(TypeOf({'B', 'M', 0, 0}), DecoderFileType::kBmp);
  EXPECT_EQ(TypeOf({'I', 'I', 42, 0}), DecoderFileType::kTiff);
  EXPECT_EQ(TypeOf({'M', 'M', 0, 42}), DecoderFileType::kTiff);
  EXPECT_EQ(TypeOf({'I', 'I', 43, 0}), DecoderFileType::kUnknown);
  EXPECT_EQ(TypeOf({0xFF, 0xD8, 0xFF, 0xE0}), DecoderFileType::kJpeg);
  EXPECT_EQ(TypeOf({0x89, 'P', 'N', 'G'}), DecoderFileType::kPng);
  std::vector<BYTE> tga(18, 0);
  tga[2] = 2, tga[16] = 24;
  EXPECT_EQ(TypeOf(tga), DecoderFileType::kTga);
  // The PICT marker counts only in files of more than 540 bytes.
  std::vector<BYTE> pict(541, 1);
  pict[522] = 0x00, pict[523] = 0x11, pict[524] = 0x02, pict[525] = 0xFF;
  EXPECT_EQ(TypeOf(pict), DecoderFileType::kPict);
  pict.resize(540);
  EXPECT_EQ(TypeOf(pict), DecoderFileType::kUnknown);
  std::vector<BYTE> eps(30, 0);
  PutU32(eps, 0, 0xC6D3D0C5);
  PutU32(eps, 20, 30);
  EXPECT_EQ(TypeOf(eps), DecoderFileType::kUnknown);  // no preview length
  PutU32(eps, 24, 10);
  EXPECT_EQ(TypeOf(eps), DecoderFileType::kEpsTiff);
  EXPECT_EQ(TypeOf({}), DecoderFileType::kUnknown);
}

TEST(DecoderRefusal, CodesForTypesFilesAndFolders) {
  ScratchDir dir;
  ASSERT_TRUE(
      picstest::RunPython("from PIL import Image\n"
                          "Image.new('RGB',(4,4)).save('" +
                          dir.Path("a.png") +
                          "')\n"
                          "Image.new('RGB',(4,4)).save('" +
                          dir.Path("a.bmp") + "')\n"));
  std::string text;
  EXPECT_EQ(DecodeErrorCode(dir.Path("a.png"), &text), DecoderErrNotCompiled);
  EXPECT_EQ(text, "Decoder error: Library not compiled for this file type.\n");
  EXPECT_EQ(DecodeErrorCode(dir.Path("a.bmp")), DecoderErrNotCompiled);
  picstest::WriteBytes(dir.Path("junk"), {1, 2, 3, 4, 5});
  EXPECT_EQ(DecodeErrorCode(dir.Path("junk"), &text), DecoderErrUnknownType);
  EXPECT_EQ(text, "Decoder error: Unknown file type.\n");
  EXPECT_EQ(DecodeErrorCode(dir.Path("missing.tif"), &text), DecoderErrFileNotFound);
  EXPECT_EQ(text, "Decoder error: Opening " + dir.Path("missing.tif") + " failed\n");
  EXPECT_EQ(DecodeErrorCode(dir.Path("nofolder/missing.tif")), DecoderErrPathNotFound);
}

TEST(DecoderRefusal, EpsPreviewOffsetsInsideAndBeyondTheData) {
  ScratchDir dir;
  ASSERT_TRUE(
      picstest::RunPython("from PIL import Image\n"
                          "Image.new('RGB',(5,3),(9,8,7)).save('" +
                          dir.Path("p.tif") + "')\n"));
  const std::vector<std::uint8_t> tiff = picstest::ReadBytes(dir.Path("p.tif"));
  std::vector<BYTE> eps(32 + tiff.size(), 0);
  PutU32(eps, 0, 0xC6D3D0C5);
  PutU32(eps, 20, 32);
  PutU32(eps, 24, std::uint32_t(tiff.size()));
  std::memcpy(eps.data() + 32, tiff.data(), tiff.size());
  picstest::WriteBytes(dir.Path("ok.eps"), eps);
  graphics::CAnyPicDecoder decoder;
  graphics::CWinBmp bitmap;
  ASSERT_NO_THROW(decoder.MakeBmpFromFile(dir.Path("ok.eps").c_str(), &bitmap, 0));
  EXPECT_EQ(bitmap.GetWidth(), 5);
  EXPECT_EQ(bitmap.GetLineArray()[2][2], 9);  // red of the bottom-left pixel, blue-green-red-alpha

  PutU32(eps, 20, std::uint32_t(eps.size() + 1));
  picstest::WriteBytes(dir.Path("beyond.eps"), eps);
  std::string text;
  EXPECT_EQ(DecodeErrorCode(dir.Path("beyond.eps"), &text), DecoderErrEndOfFile);
  EXPECT_EQ(text, "End of file reached while decoding.\n");
}

TEST(DecoderTrace, LevelsChooseTheLinesAndEachConfigurationStartsFresh) {
  ScratchDir dir;
  const std::string log = dir.Path("trace.log");
  std::ofstream(log) << "old line\n";
  ASSERT_TRUE(
      picstest::RunPython("from PIL import Image\n"
                          "Image.new('L',(4,4)).save('" +
                          dir.Path("g.tif") + "')\n"));
  picstest::WriteBytes(dir.Path("junk"), {1, 2, 3});
  {
    graphics::CAnyPicDecoder decoder;
    graphics::CWinBmp bitmap;
    graphics::CPicDecoder::SetTraceConfig(0, log.c_str());
    EXPECT_FALSE(std::filesystem::exists(log));
    decoder.MakeBmpFromFile(dir.Path("g.tif").c_str(), &bitmap, 0);
    EXPECT_THROW(decoder.MakeBmpFromFile(dir.Path("junk").c_str(), &bitmap, 0), CTextException);
    EXPECT_EQ(ReadText(log), "Decoder error: Unknown file type.\n");

    graphics::CPicDecoder::SetTraceConfig(2, log.c_str());
    decoder.MakeBmpFromFile(dir.Path("g.tif").c_str(), &bitmap, 0);
    EXPECT_EQ(ReadText(log),
              "--- Decoding file " + dir.Path("g.tif") + ". ---\nTIFF file recognized.\n");
  }
  // Destroying a decoder ends tracing to the file.
  graphics::CAnyPicDecoder later;
  graphics::CWinBmp bitmap;
  std::filesystem::remove(log);
  later.MakeBmpFromFile(dir.Path("g.tif").c_str(), &bitmap, 0);
  EXPECT_FALSE(std::filesystem::exists(log));
  graphics::CPicDecoder::SetTraceConfig(0, nullptr);
}

TEST(FrameworkBitmap, LayoutLineArrayAndCopies) {
  graphics::CWinBmp bitmap;
  EXPECT_EQ(bitmap.GetWidth(), 16);
  EXPECT_EQ(bitmap.GetBitsPerPixel(), 8);
  EXPECT_STREQ(bitmap.GetRuntimeClass()->className, "CWinBmp");
  bitmap.Create(5, 3, 8, false);
  EXPECT_EQ(bitmap.GetBytesPerLine(), 8u);
  EXPECT_EQ(bitmap.GetMemUsed(), 40u + 1024 + 8 * 3 + 36);
  // Line 0 is the top row, stored last.
  EXPECT_EQ(bitmap.GetLineArray()[0], bitmap.GetDib() + 40 + 1024 + 16);
  bitmap.SetGreyPalette();
  EXPECT_EQ(bitmap.GetPalette()[255].rgbRed, 255);
  bitmap.GetLineArray()[1][4] = 200;
  graphics::CWinBmp wide;
  wide.CreateCopy(bitmap, 32);
  EXPECT_EQ(wide.GetBitsPerPixel(), 32);
  EXPECT_EQ(wide.GetLineArray()[1][16 + 1], 200);
  graphics::CWinBmp alpha;
  alpha.Create(5, 3, 8, false);
  alpha.GetLineArray()[2][0] = 77;
  wide.SetAlphaChannel(alpha);
  EXPECT_TRUE(wide.HasAlpha());
  EXPECT_EQ(wide.GetLineArray()[2][3], 77);
  EXPECT_THROW(bitmap.Create(40000, 2, 8, false), CTextException);
}

// A memory context holding a 24-bit DIB section of the given size, cleared to black.
struct Canvas {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP target = nullptr;
  HBITMAP previous = nullptr;
  Canvas(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{40, width, height, 1, 24, 0, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    target = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    previous = SelectObject(dc, target);
  }
  ~Canvas() {
    SelectObject(dc, previous);
    DeleteObject(target);
    DeleteDC(dc);
  }
};

TEST(FrameworkBitmap, SectionBitmapsDrawWithTheirPalette) {
  graphics::CDrawDibBmp bitmap;
  bitmap.Create(2, 2, 8, false);
  RGBQUAD palette[256] = {};
  palette[1] = RGBQUAD{30, 20, 10, 0};
  palette[2] = RGBQUAD{3, 2, 1, 0};
  bitmap.SetPalette(palette);
  bitmap.GetLineArray()[0][1] = 1;  // top right
  bitmap.GetLineArray()[1][0] = 2;  // bottom left
  Canvas canvas(6, 6);
  ASSERT_TRUE(bitmap.Draw(canvas.dc, 1, 1));
  EXPECT_EQ(GetPixel(canvas.dc, 2, 1), RGB(10, 20, 30));
  EXPECT_EQ(GetPixel(canvas.dc, 1, 2), RGB(1, 2, 3));
  const RECT dest{0, 0, 4, 4};
  ASSERT_TRUE(bitmap.StretchDraw(canvas.dc, &dest, nullptr, nullptr, false));
  EXPECT_EQ(GetPixel(canvas.dc, 3, 0), RGB(10, 20, 30));
  EXPECT_EQ(GetPixel(canvas.dc, 0, 3), RGB(1, 2, 3));
  PALETTEENTRY entry{};
  ASSERT_EQ(GetPaletteEntries(bitmap.GetPaletteObject(), 1, 1, &entry), 1u);
  EXPECT_EQ(entry.peRed, 10);
}

}  // namespace
