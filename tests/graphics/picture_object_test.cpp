// The picture object: factories, assignment, cached facts and pixel lookups.
#include <sys/inotify.h>
#include <unistd.h>

#include <cstring>
#include <functional>

#include "format_test_support.h"
#include "graphics/platform/display.h"
#include "picture_test_support.h"

using picstest::MakeDib;
using picstest::PicturePtr;
using picstest::PutPixel;
using picstest::ScratchDir;

TEST(PictureFactories, CreateByNameMakesAnEmptyObjectOfTheExtensionsType) {
  PicturePtr picture(CPics::CreatePicture("out.BMP", PictureByExtension));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->m_type, PictureBMP);
  EXPECT_EQ(picture->m_bLoaded, 0);
  EXPECT_EQ(picture->m_hDIB, nullptr);
  EXPECT_EQ(picture->m_bReadFile, 0);
  EXPECT_STREQ(picture->m_szFileName, "out.BMP");
  EXPECT_EQ(CPics::CreatePicture("x", PictureByExtension), nullptr);
  EXPECT_EQ(CPics::CreatePicture("x.jfif", PictureByExtension), nullptr);
  EXPECT_EQ(CPics::CreatePicture("x.bmp", 0), nullptr);
  EXPECT_EQ(CPics::CreatePicture("x.bmp", 9), nullptr);
}

TEST(PictureFactories, NamesTooLongForTheObjectAreRefused) {
  const std::string longName = std::string(300, 'a') + ".bmp";
  EXPECT_EQ(CPics::CreatePicture(longName.c_str(), PictureByExtension), nullptr);
  EXPECT_EQ(CPics::OpenPicture(longName.c_str(), 0, nullptr), nullptr);
}

// How often the kernel saw the file opened while the step ran. Reads and closes are
// watched too: the kernel merges an event into an identical one still queued.
int OpensDuring(const std::string& path, const std::function<void()>& step) {
  const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch < 0 || inotify_add_watch(watch, path.c_str(), IN_OPEN | IN_ACCESS | IN_CLOSE) < 0)
    return -1;
  step();
  int opens = 0;
  alignas(inotify_event) char buffer[4096];
  for (ssize_t got; (got = read(watch, buffer, sizeof buffer)) > 0;)
    for (ssize_t at = 0; at < got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      opens += (event->mask & IN_OPEN) != 0;
      at += ssize_t(sizeof(inotify_event) + event->len);
    }
  close(watch);
  return opens;
}

TEST(PictureFactories, OpenByNameOpensTheFileOnceAndKeepsItsName) {
  ScratchDir dir;
  const PicturePtr source =
      formatstest::PictureFromDib(formatstest::PatternDib(24, 16, 8), PictureBMP);
  ASSERT_TRUE(source);
  for (const char* extension : {"bmp", "gif", "pcx", "jpg", "tga", "tif", "xbm", "png"}) {
    SCOPED_TRACE(extension);
    const std::string path = dir.Path(std::string("p.") + extension);
    ASSERT_TRUE(source->SavePictureAs(path.c_str(), PictureByExtension));
    PicturePtr opened;
    EXPECT_EQ(
        OpensDuring(path, [&] { opened.reset(CPics::OpenPicture(path.c_str(), 0, nullptr)); }), 1);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->m_type, CPics::TypeFromExtension(path.c_str()));
    EXPECT_STREQ(opened->m_szFileName, path.c_str());
    EXPECT_EQ(opened->m_width, 24);
    EXPECT_TRUE(opened->LoadPicture(0));  // a later load goes by the kept name
  }
}

TEST(PictureFactories, CreateFromDibTakesTheHandleOnlyOnSuccess) {
  EXPECT_EQ(CPics::CreatePicture(static_cast<HGLOBAL>(nullptr), PictureBMP, 0), nullptr);
  HGLOBAL dib = MakeDib(3, 2, 24);
  EXPECT_EQ(CPics::CreatePicture(dib, short(99), 0), nullptr);  // no coder for this type
  EXPECT_NE(GlobalLock(dib), nullptr) << "the refused handle must stay the caller's";
  GlobalUnlock(dib);
  PicturePtr picture(CPics::CreatePicture(dib, PictureBMP, 0));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->m_hDIB, dib);
  EXPECT_EQ(picture->m_bLoaded, 1);
  EXPECT_EQ(picture->m_bNoDither, 1);
  EXPECT_EQ(picture->m_width, 3);
  EXPECT_EQ(picture->m_height, 2);
  EXPECT_EQ(picture->m_bitsPerPixel, 24);
  EXPECT_EQ(picture->m_dibSize, 40u + 2u * 12u);
}

TEST(PictureFactories, MalformedDibsAreRefusedAndStayTheCallers) {
  struct Case {
    int width, height, bits;
    std::uint32_t colorsUsed;
    std::size_t blockSize;
    const char* what;
  };
  const Case cases[] = {
      {40000, 1, 8, 0, 0, "wider than 32767"},
      {4, 0, 24, 0, 0, "no rows"},
      {4, 4, 7, 0, 0, "7 bits"},
      {4, 4, 8, 300, 0, "300 colours"},
      {100, 100, 24, 0, 100, "block shorter than the rows"},
  };
  for (const Case& c : cases) {
    HGLOBAL dib = GlobalAlloc(GHND, c.blockSize ? c.blockSize : 40 + 1200 + 4u * 4u * 3u);
    BITMAPINFOHEADER header{40, c.width, c.height, 1, WORD(c.bits), 0, 0, 0, 0, c.colorsUsed, 0};
    std::memcpy(GlobalLock(dib), &header, sizeof header);
    GlobalUnlock(dib);
    EXPECT_EQ(CPics::CreatePicture(dib, PictureBMP, 0), nullptr) << c.what;
    EXPECT_EQ(GlobalFree(dib), nullptr);
  }
}

TEST(PictureFactories, ClosePictureLeavesObjectsWithoutAFormatAlone) {
  CPics plain;  // type 0: not made by a factory, so not deleted
  CPics::ClosePicture(&plain);
  CPics::ClosePicture(nullptr);
  EXPECT_EQ(plain.m_type, 0);
}

TEST(PictureFactories, SavePictureAsNeedsAKnownType) {
  ScratchDir dir;
  PicturePtr picture(CPics::CreatePicture(MakeDib(2, 2, 24), PictureBMP, 0));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->SavePictureAs(dir.Path("out.xyz").c_str(), PictureByExtension), 0);
  EXPECT_EQ(picture->SavePictureAs(dir.Path("out.xyz").c_str(), PictureBMP), 1);
  EXPECT_EQ(CPics::PictureType(dir.Path("out.xyz").c_str()), PictureBMP);
  EXPECT_EQ(picture->m_type, PictureBMP);
}

TEST(PictureObject, ConstructionTakesTheDisplayFacts) {
  {
    CPics picture;
    EXPECT_EQ(picture.m_devBitsPerPixel, 24);
    EXPECT_EQ(picture.m_devHorzRes, 1920);
    EXPECT_EQ(picture.m_devVertRes, 1080);
    EXPECT_EQ(picture.m_bPaletteDevice, 0);
    EXPECT_EQ(picture.m_devColors, 0);
    EXPECT_EQ(picture.m_bEnabled, 1);
    EXPECT_EQ(picture.m_bNoDither, 1);
    EXPECT_NE(picture.m_hStdPalette, nullptr);
  }
  graphics::SetDisplay(graphics::PaletteDisplay8());
  CPics picture;
  graphics::SetDisplay({});
  EXPECT_EQ(picture.m_devBitsPerPixel, 8);
  EXPECT_EQ(picture.m_bPaletteDevice, 1);
  EXPECT_EQ(picture.m_devColors, 256);
}

TEST(PictureObject, AssignmentMakesAnIndependentCopy) {
  HGLOBAL dib = MakeDib(4, 3, 8, {0x000000, 0x123456});
  PutPixel(dib, 1, 1, 1);
  PicturePtr source(CPics::CreatePicture(dib, PictureBMP, 0));
  ASSERT_TRUE(source);
  source->m_bTransparent = 1;
  source->m_transparentColor = RGB(1, 2, 3);
  source->SetEncoderOptions("quality=5");
  source->m_bPngInterlace = 1;
  source->m_pngBitDepthLimit = 1;
  PicturePtr target(CPics::CreatePicture("t.bmp", PictureBMP));
  target->m_bEnabled = 0;
  *target = *source;
  EXPECT_NE(target->m_hDIB, source->m_hDIB);
  EXPECT_NE(target->m_PaletteBuffer, source->m_PaletteBuffer);
  EXPECT_NE(target->m_hPalette, source->m_hPalette);
  EXPECT_EQ(target->m_bTransparent, 1);
  EXPECT_EQ(target->m_transparentColor, RGB(1, 2, 3));
  EXPECT_STREQ(target->m_szEncoderOptions, "quality=5");
  EXPECT_EQ(target->m_bPngInterlace, 1);  // the PNG save settings travel with the picture
  EXPECT_EQ(target->m_pngBitDepthLimit, 1);
  EXPECT_STREQ(target->m_szFileName, "t.bmp");  // the name stays
  EXPECT_EQ(target->m_bEnabled, 0);             // and so does the enabled flag
  EXPECT_EQ(target->GetPixel(1, 1), RGB(0x12, 0x34, 0x56));
  source.reset();  // the copy lives on without its source
  EXPECT_EQ(target->GetPixel(1, 1), RGB(0x12, 0x34, 0x56));
  EXPECT_EQ(target->GetIndex(1, 1), 1);
}

TEST(PictureObject, PixelLookupsByDepthAndOutside) {
  HGLOBAL dib = MakeDib(9, 2, 1, {0x000000, 0xFFFFFF});
  PutPixel(dib, 8, 0, 1);
  PicturePtr mono(CPics::CreatePicture(dib, PictureBMP, 0));
  ASSERT_TRUE(mono);
  EXPECT_EQ(mono->GetIndex(8, 0), 1);
  EXPECT_EQ(mono->GetIndex(7, 0), 0);
  EXPECT_EQ(mono->GetPixel(8, 0), RGB(255, 255, 255));
  EXPECT_EQ(mono->GetPixel(-1, 0), 0xFFFFFFFFu);
  EXPECT_EQ(mono->GetIndex(9, 0), -1);
  EXPECT_EQ(mono->Inside(8, 1), 1);
  EXPECT_EQ(mono->Inside(8, 2), 0);

  HGLOBAL dib4 = MakeDib(3, 1, 4, {0, 0, 0, 0, 0, 0xFF8000});
  PutPixel(dib4, 1, 0, 5);
  PicturePtr nibbles(CPics::CreatePicture(dib4, PictureBMP, 0));
  EXPECT_EQ(nibbles->GetIndex(1, 0), 5);
  EXPECT_EQ(nibbles->GetIndex(0, 0), 0);
  EXPECT_EQ(nibbles->GetPixel(1, 0), RGB(0xFF, 0x80, 0x00));

  HGLOBAL dib24 = MakeDib(2, 2, 24);
  PutPixel(dib24, 1, 0, 0xA1B2C3);
  PicturePtr colour(CPics::CreatePicture(dib24, PictureBMP, 0));
  EXPECT_EQ(colour->GetIndex(1, 0), -1);
  EXPECT_EQ(colour->GetPixel(1, 0), RGB(0xA1, 0xB2, 0xC3));

  CPics empty;
  EXPECT_EQ(empty.GetPixel(0, 0), 0xFFFFFFFFu);
  BYTE r, g, b;
  EXPECT_EQ(empty.GetRGB(0, 0, &r, &g, &b), 0);
}

TEST(PictureObject, CopyDibReportsTheBlockAndHonoursTheGifSaveSwitch) {
  HGLOBAL dib = MakeDib(2, 2, 24);
  const std::size_t size = GlobalSize(dib);
  PicturePtr picture(CPics::CreatePicture(dib, PictureBMP, 0));
  EXPECT_EQ(picture->GetDibSize(), int(size));
  EXPECT_EQ(picture->CopyDib(nullptr), int(size));
  std::vector<unsigned char> out(size, 0xEE);
  EXPECT_EQ(picture->CopyDib(out.data()), int(size));
  EXPECT_EQ(out[0], 40);
  picture->m_type = PictureGIF;
  CPics::GifImageSaveEnable = 0;
  EXPECT_EQ(picture->CopyDib(nullptr), 0);
  CPics::GifImageSaveEnable = 1;
  EXPECT_EQ(picture->IsPictureDisabled(), 0);
  picture->m_bEnabled = 0;
  EXPECT_EQ(picture->IsPictureDisabled(), 1);
  CPics::GifImageDisplayEnable = 1;
  EXPECT_EQ(picture->IsPictureDisabled(), 0);
  CPics::GifImageDisplayEnable = 0;
  picture->m_type = PictureBMP;
}

TEST(PictureObject, OptionStringsAreCutToFit) {
  CPics picture;
  const std::string longOptions(400, 'o');
  picture.SetDecoderOptions(longOptions.c_str());
  EXPECT_EQ(std::strlen(picture.m_szDecoderOptions), 259u);
  picture.SetEncoderOptions("-quality 80");
  EXPECT_STREQ(picture.m_szEncoderOptions, "-quality 80");
  EXPECT_EQ(picture.m_szFileName[0], '\0');  // the neighbouring member is untouched
}

TEST(PictureObject, ImageBufferBuildsAnEightBitDibFromBottomUpRows) {
  CPics picture;
  picture.m_width = 5;
  picture.m_height = 2;
  picture.m_PaletteBuffer = new BYTE[768]();
  picture.m_PaletteBuffer[3] = 10, picture.m_PaletteBuffer[4] = 20, picture.m_PaletteBuffer[5] = 30;
  std::vector<unsigned char> rows(16, 0);
  rows[8 + 4] = 1;  // second stored row = top row, last pixel
  picture.CreateImageBuffer(rows.data());
  ASSERT_NE(picture.m_hDIB, nullptr);
  EXPECT_EQ(picture.m_dibSize, 1064u + 16u);
  EXPECT_EQ(picture.m_byteWidth, 8);
  auto* p = static_cast<BYTE*>(GlobalLock(picture.m_hDIB));
  EXPECT_EQ(CPics::DIBBitsPerPixel(p), 8);
  EXPECT_EQ(CPics::DIBNumberOfColors(p), 256);
  EXPECT_EQ(p[40 + 4], 30);  // entry 1 stored blue first
  EXPECT_EQ(p[40 + 6], 10);
  GlobalUnlock(picture.m_hDIB);
  picture.m_bHaveDIB = 1;
  picture.m_bLoaded = 1;
  picture.CreateImagePalette();
  ASSERT_EQ(picture.GetDIBHeader(), 1);
  EXPECT_EQ(picture.GetPixel(4, 0), RGB(10, 20, 30));
}

TEST(PictureObject, PictureBitsAreTopRowFirstForEveryDepth) {
  CPics picture;
  HGLOBAL mono = MakeDib(10, 2, 1, {0, 0xFFFFFF});
  PutPixel(mono, 9, 0, 1);
  std::vector<BYTE> out(20, 0xEE);
  std::vector<BYTE> palette(768);
  ASSERT_EQ(picture.GetPictureBits(GlobalLock(mono), out.data(), palette.data()), 1);
  GlobalUnlock(mono);
  EXPECT_EQ(out[9], 1);
  EXPECT_EQ(out[8], 0);
  EXPECT_EQ(out[19], 0);
  EXPECT_EQ(palette[3], 255);
  GlobalFree(mono);

  HGLOBAL colour = MakeDib(3, 2, 24);
  PutPixel(colour, 0, 0, 0xFF0000);  // top left red
  PutPixel(colour, 2, 1, 0x0000FF);  // bottom right blue
  std::vector<BYTE> indices(6, 0xEE);
  ASSERT_EQ(picture.GetPictureBits(GlobalLock(colour), indices.data(), palette.data()), 1);
  GlobalUnlock(colour);
  auto colourOf = [&](int i) {
    return RGB(palette[3 * indices[i]], palette[3 * indices[i] + 1], palette[3 * indices[i] + 2]);
  };
  EXPECT_EQ(colourOf(0), RGB(252, 0, 0));  // quantised to 6 bits a channel
  EXPECT_EQ(colourOf(5), RGB(0, 0, 252));
  EXPECT_EQ(colourOf(1), RGB(0, 0, 0));
  GlobalFree(colour);
}

TEST(PictureObject, LoadingOnAPaletteDisplayReducesToEightBits) {
  ScratchDir dir;
  HGLOBAL dib = MakeDib(4, 4, 24);
  CPics::FillDIB(dib, 255, 255, 255);
  PicturePtr source(CPics::CreatePicture(dib, PictureBMP, 0));
  ASSERT_EQ(source->SavePictureAs(dir.Path("white.bmp").c_str(), PictureByExtension), 1);

  graphics::SetDisplay(graphics::PaletteDisplay8());
  PicturePtr plain(CPics::OpenPicture(dir.Path("white.bmp").c_str(), 0, nullptr));
  PicturePtr dithered(CPics::OpenPicture(dir.Path("white.bmp").c_str(), 1, nullptr));
  graphics::SetDisplay({});
  ASSERT_TRUE(plain);
  ASSERT_TRUE(dithered);
  // Without dithering the picture is quantised to its own 256 colours instead.
  EXPECT_EQ(plain->m_bitsPerPixel, 8);
  EXPECT_EQ(plain->GetPixel(2, 2), RGB(252, 252, 252));
  EXPECT_EQ(dithered->m_bitsPerPixel, 8);
  EXPECT_EQ(dithered->GetIndex(2, 2), 215);
  EXPECT_EQ(dithered->GetPixel(2, 2), RGB(255, 255, 255));
}
