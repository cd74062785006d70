#include <gtest/gtest.h>

#include <vector>

#include "Pics.h"
#include "graphics/core/depth/dib_worker.h"
#include "graphics/core/depth/standard_color_table.h"
#include "processing_dibs.h"

using namespace processing_test;
using graphics::DibWorker;
using graphics::StandardColorTable;

namespace {

const RgbColor kRed{255, 0, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255}, kBlack{0, 0, 0};

}  // namespace

// --- The worker ------------------------------------------------------------------

TEST(DibWorker, ExpandsOneBitPictureKeepingItsTwoColours) {
  Dib dib(MakeDib(11, 3, 1, {kRed, kBlue}));
  {
    View v(dib.get());
    for (int x = 0; x < 11; ++x) v.setIndex(x, 1, x % 3 == 0);
  }
  const HGLOBAL before = dib.get();
  DibWorker worker(dib.slot());
  ASSERT_TRUE(worker.ready());
  EXPECT_EQ(worker.bitCount(), 8);
  EXPECT_NE(dib.get(), before);
  View v(dib.get());
  EXPECT_EQ(v.bits(), 8);
  EXPECT_EQ(v.entry(0), kRed);
  EXPECT_EQ(v.entry(1), kBlue);
  EXPECT_EQ(v.entry(2), (RgbColor{0, 0, 102}));
  for (uint32_t i = 2; i < 256; ++i) ASSERT_EQ(v.entry(i), StandardColorTable[i]);
  for (int x = 0; x < 11; ++x) EXPECT_EQ(v.index(x, 1), x % 3 == 0 ? 1 : 0) << x;
  EXPECT_EQ(GlobalSize(dib.get()), 1064u + 12 * 3);
}

TEST(DibWorker, ExpandsTwoAndFourBitRowsHighBitsFirst) {
  for (int bits : {2, 4}) {
    // A 2-bit picture has no colour table of its own: its colours are the standard table's.
    std::vector<RgbColor> palette;
    for (int i = 0; bits == 4 && i < 16; ++i) palette.push_back({uint8_t(i * 10), 1, 2});
    Dib dib(MakeDib(7, 2, bits, palette, /*coreHeader=*/true));
    {
      View v(dib.get());
      for (int x = 0; x < 7; ++x) v.setIndex(x, 0, (x + 1) % (1 << bits));
    }
    DibWorker worker(dib.slot());
    ASSERT_TRUE(worker.ready());
    View v(dib.get());
    EXPECT_EQ(v.headerSize(), 40u);
    for (int x = 0; x < 7; ++x) EXPECT_EQ(v.index(x, 0), (x + 1) % (1 << bits)) << bits << " " << x;
    EXPECT_EQ(v.entry(3), (bits == 4 ? RgbColor{30, 1, 2} : StandardColorTable[3]));
  }
}

TEST(DibWorker, RefusesDamagedOrUnsupportedPicturesAndKeepsThem) {
  auto header = [](HGLOBAL h, int offset, uint32_t value) {
    View v(h);
    Put32(v.p + offset, value);
  };
  std::vector<HGLOBAL> bad;
  bad.push_back(MakeDib(4, 4, 24)), header(bad.back(), 8, uint32_t(-4));  // top-down
  bad.push_back(MakeDib(4, 4, 24)), header(bad.back(), 4, 40000);         // too wide
  bad.push_back(MakeDib(4, 4, 16));                                       // no palette to expand
  bad.push_back(MakeDib(4, 4, 8, std::vector<RgbColor>(256))), header(bad.back(), 16, 1);  // RLE
  bad.push_back(MakeDib(4, 4, 8, std::vector<RgbColor>(256))), header(bad.back(), 32, 0x40000000);
  bad.push_back(MakeDib(4, 4, 24)), header(bad.back(), 8, 5000);  // rows past the block
  for (HGLOBAL h : bad) {
    HGLOBAL slot = h;
    DibWorker worker(&slot);
    EXPECT_FALSE(worker.ready());
    EXPECT_EQ(slot, h);
    EXPECT_EQ(CPics::ConvertTo8BPP(&slot), 0);
    EXPECT_EQ(CPics::ConvertTo24BPP(&slot), 0);
    EXPECT_EQ(CPics::ConvertToGray(&slot), 0);
    EXPECT_EQ(CPics::SetColorDepth(&slot, 4, nullptr), 0);
    EXPECT_EQ(slot, h);
    GlobalFree(h);
  }
  HGLOBAL none = nullptr;
  EXPECT_FALSE(DibWorker(&none).ready());
  EXPECT_FALSE(DibWorker(nullptr).ready());
}

// --- To 24 and 8 bits ------------------------------------------------------------

TEST(ConvertTo24BPP, PalettePixelsTakeTheirEntryColours) {
  std::vector<RgbColor> palette = {kBlack, kRed, kBlue, {9, 8, 7}};
  palette.resize(16);
  Dib dib(MakeDib(5, 2, 4, palette, /*coreHeader=*/true));
  {
    View v(dib.get());
    for (int x = 0; x < 5; ++x) v.setIndex(x, 0, x % 4), v.setIndex(x, 1, 3 - x % 4);
  }
  ASSERT_EQ(CPics::ConvertTo24BPP(dib.slot()), 1);
  View v(dib.get());
  ASSERT_EQ(v.bits(), 24);
  EXPECT_EQ(v.headerSize(), 40u);
  const RgbColor expect[4] = {kBlack, kRed, kBlue, {9, 8, 7}};
  for (int x = 0; x < 5; ++x) {
    EXPECT_EQ(v.rgb(x, 0), expect[x % 4]);
    EXPECT_EQ(v.rgb(x, 1), expect[3 - x % 4]);
  }
}

TEST(ConvertTo24BPP, TrueColourIsLeftAloneAndNullFails) {
  Dib dib(MakeDib(3, 3, 24));
  const HGLOBAL before = dib.get();
  EXPECT_EQ(CPics::ConvertTo24BPP(dib.slot()), 1);
  EXPECT_EQ(dib.get(), before);
  HGLOBAL none = nullptr;
  EXPECT_EQ(CPics::ConvertTo24BPP(&none), 0);
  EXPECT_EQ(CPics::ConvertTo24BPP(nullptr), 0);
}

TEST(ConvertTo24BPP, IndexPastAShortPaletteReadsAsBlack) {
  Dib dib(MakeDib(2, 1, 8, {kWhite, kRed}, false, 2));
  View(dib.get()).setIndex(1, 0, 200);
  ASSERT_EQ(CPics::ConvertTo24BPP(dib.slot()), 1);
  View v(dib.get());
  EXPECT_EQ(v.rgb(0, 0), kWhite);
  EXPECT_EQ(v.rgb(1, 0), kBlack);
}

TEST(ConvertTo8BPP, ThreeColourPictureGetsAFullPaletteOfItsCutColours) {
  const RgbColor colors[3] = {{10, 200, 33}, {255, 0, 129}, {7, 7, 7}};
  Dib dib(MakeTrueColor(9, 7, [&](int x, int y) { return colors[(x + y) % 3]; }));
  ASSERT_EQ(CPics::ConvertTo8BPP(dib.slot()), 1);
  View v(dib.get());
  ASSERT_EQ(v.bits(), 8);
  EXPECT_EQ(v.colors(), 256u);
  EXPECT_EQ(GlobalSize(dib.get()), 1064u + 12 * 7);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x) {
      const RgbColor c = colors[(x + y) % 3];
      ASSERT_EQ(v.rgb(x, y),
                (RgbColor{uint8_t(c.red & ~3), uint8_t(c.green & ~3), uint8_t(c.blue & ~3)}));
    }
}

TEST(ConvertTo8BPP, PalettePicturesExpandAndEightBitStays) {
  Dib one(MakeDib(3, 1, 1, {kBlack, kWhite}));
  ASSERT_EQ(CPics::ConvertTo8BPP(one.slot()), 1);
  EXPECT_EQ(View(one.get()).bits(), 8);
  const HGLOBAL before = one.get();
  ASSERT_EQ(CPics::ConvertTo8BPP(one.slot()), 1);
  EXPECT_EQ(one.get(), before);
}

TEST(ConvertTo8BPP, EmptyPicturesConvertCleanly) {
  Dib dib(MakeDib(0, 0, 24));
  ASSERT_EQ(CPics::ConvertTo8BPP(dib.slot()), 1);
  View v(dib.get());
  EXPECT_EQ(v.bits(), 8);
  EXPECT_EQ(v.width(), 0);
  // Rows of no pixels (found by fuzzing: an empty row buffer was copied into).
  for (int bits : {1, 8}) {
    Dib narrow(MakeDib(0, 3, bits, std::vector<RgbColor>(bits == 1 ? 2 : 256)));
    EXPECT_EQ(CPics::ConvertTo24BPP(narrow.slot()), 1);
    EXPECT_EQ(View(narrow.get()).height(), 3);
  }
}

// --- Grey and black and white ---------------------------------------------------------

TEST(ConvertToGray, TrueColourBecomesLevelsOverTheGreyRamp) {
  const RgbColor in[4] = {{255, 255, 255}, {1, 1, 1}, {10, 200, 30}, {255, 0, 0}};
  Dib dib(MakeTrueColor(4, 1, [&](int x, int) { return in[x]; }));
  ASSERT_EQ(CPics::ConvertToGray(dib.slot()), 1);
  View v(dib.get());
  ASSERT_EQ(v.bits(), 8);
  EXPECT_EQ(v.index(0, 0), 255);
  EXPECT_EQ(v.index(1, 0), 1);
  EXPECT_EQ(v.index(2, 0), (30 * 10 + 59 * 200 + 11 * 30) / 100);
  EXPECT_EQ(v.index(3, 0), 76);
  for (uint32_t i = 0; i < 256; ++i)
    ASSERT_EQ(v.entry(i), (RgbColor{uint8_t(i), uint8_t(i), uint8_t(i)}));
}

TEST(ConvertToGray, PalettePictureChangesOnlyItsPalette) {
  std::vector<RgbColor> palette = {kRed, kBlue, {10, 200, 30}};
  palette.resize(256);
  Dib dib(MakeDib(3, 1, 8, palette, /*coreHeader=*/true));
  {
    View v(dib.get());
    v.setIndex(0, 0, 2), v.setIndex(1, 0, 1), v.setIndex(2, 0, 0);
  }
  const HGLOBAL before = dib.get();
  ASSERT_EQ(CPics::ConvertToGray(dib.slot()), 1);
  EXPECT_EQ(dib.get(), before);
  View v(dib.get());
  EXPECT_EQ(v.entry(0), (RgbColor{76, 76, 76}));
  EXPECT_EQ(v.entry(1), (RgbColor{28, 28, 28}));
  EXPECT_EQ(v.index(0, 0), 2);
  EXPECT_EQ(v.index(1, 0), 1);
}

TEST(ConvertToBlackAndWhite, ThresholdSplitsGreyLevels) {
  const RgbColor in[3] = {{127, 127, 127}, {128, 128, 128}, {255, 255, 255}};
  Dib dib(MakeTrueColor(3, 2, [&](int x, int) { return in[x]; }));
  ASSERT_EQ(CPics::ConvertToBlackAndWhite(dib.slot(), 128), 1);
  View v(dib.get());
  EXPECT_EQ(v.index(0, 0), 0);
  EXPECT_EQ(v.index(1, 0), 255);
  EXPECT_EQ(v.index(2, 1), 255);

  Dib pal(MakeDib(2, 1, 4, {{127, 127, 127}, {128, 128, 128}}, false, 2));
  ASSERT_EQ(CPics::ConvertToBlackAndWhite(pal.slot(), 128), 1);
  View p(pal.get());
  EXPECT_EQ(p.bits(), 8);
  EXPECT_EQ(p.entry(0), kBlack);
  EXPECT_EQ(p.entry(1), kWhite);
}

TEST(ConvertToGray, MemberReusesABlockLargeEnoughAndRefreshesThePicture) {
  CPics picture;
  picture.m_hDIB = MakeTrueColor(40, 30, [](int x, int y) {
    return RgbColor{uint8_t(x * 6), uint8_t(y * 8), 50};
  });
  picture.m_bHaveDIB = 1;
  const HGLOBAL before = picture.m_hDIB;
  ASSERT_EQ(picture.ConvertToGray(1), 1);
  EXPECT_EQ(picture.m_hDIB, before);
  EXPECT_EQ(picture.m_bitsPerPixel, 8);
  EXPECT_EQ(picture.m_width, 40);
  ASSERT_NE(picture.m_PaletteBuffer, nullptr);
  EXPECT_EQ(picture.m_PaletteBuffer[3 * 77], 77);
  View v(picture.m_hDIB);
  EXPECT_EQ(v.index(5, 7), (30 * 30 + 59 * 56 + 11 * 50) / 100);
  EXPECT_EQ(v.index(39, 29), (30 * 234 + 59 * 232 + 11 * 50) / 100);
}

TEST(ConvertToGray, MemberReuseOfATooSmallBlockTakesANewOne) {
  CPics picture;
  picture.m_hDIB = MakeTrueColor(2, 2, [](int, int) { return RgbColor{200, 100, 0}; });
  picture.m_bHaveDIB = 1;
  ASSERT_EQ(picture.ConvertToBlackAndWhite(100, 1), 1);
  EXPECT_GE(GlobalSize(picture.m_hDIB), 1064u + 8);
  View v(picture.m_hDIB);
  EXPECT_EQ(v.index(1, 1), 255);
}

// --- Posterise and palette mapping ------------------------------------------------------

TEST(SetColorDepth, PosteriseWithOneOrTwoLevels) {
  Dib dib(MakeTrueColor(3, 1, [](int x, int) {
    const RgbColor c[3] = {{254, 255, 0}, {127, 128, 200}, {126, 253, 255}};
    return c[x];
  }));
  ASSERT_EQ(CPics::SetColorDepth(dib.slot(), 1, nullptr), 1);
  {
    View v(dib.get());
    EXPECT_EQ(v.rgb(0, 0), (RgbColor{0, 255, 0}));
    EXPECT_EQ(v.rgb(1, 0), (RgbColor{0, 0, 0}));
  }
  Dib two(MakeTrueColor(3, 1, [](int x, int) {
    const RgbColor c[3] = {{255, 254, 253}, {127, 128, 126}, {0, 1, 200}};
    return c[x];
  }));
  ASSERT_EQ(CPics::SetColorDepth(two.slot(), 2, nullptr), 1);
  View v(two.get());
  EXPECT_EQ(v.rgb(0, 0), (RgbColor{254, 254, 127}));
  EXPECT_EQ(v.rgb(1, 0), (RgbColor{127, 127, 0}));
  EXPECT_EQ(v.rgb(2, 0), (RgbColor{0, 0, 127}));
}

TEST(SetColorDepth, OutOfRangeCountsChangeNothing) {
  Dib dib(MakeDib(3, 1, 1, {kRed, kBlue}));
  const HGLOBAL before = dib.get();
  unsigned char palette[3] = {1, 2, 3};
  EXPECT_EQ(CPics::SetColorDepth(dib.slot(), 0, nullptr), 0);
  EXPECT_EQ(CPics::SetColorDepth(dib.slot(), 255, nullptr), 0);
  EXPECT_EQ(CPics::SetColorDepth(dib.slot(), 0, palette), 0);
  EXPECT_EQ(CPics::SetColorDepth(dib.slot(), -3, palette), 0);
  EXPECT_EQ(dib.get(), before);
  EXPECT_EQ(View(dib.get()).bits(), 1);
}

TEST(SetColorDepth, MapsToNearestPaletteColourWithTiesToTheLowestIndex) {
  unsigned char palette[] = {0, 0, 0, 10, 10, 10, 10, 10, 10, 250, 0, 0};
  Dib dib(MakeTrueColor(3, 1, [](int x, int) {
    const RgbColor c[3] = {{5, 5, 5}, {9, 11, 10}, {200, 30, 10}};
    return c[x];
  }));
  ASSERT_EQ(CPics::SetColorDepth(dib.slot(), 4, palette), 1);
  View v(dib.get());
  EXPECT_EQ(v.rgb(0, 0), kBlack);
  EXPECT_EQ(v.rgb(1, 0), (RgbColor{10, 10, 10}));
  EXPECT_EQ(v.rgb(2, 0), (RgbColor{250, 0, 0}));

  Dib pal(MakeDib(1, 1, 8, {{240, 10, 10}, {1, 1, 1}}, false, 2));
  ASSERT_EQ(CPics::SetColorDepth(pal.slot(), 4, palette), 1);
  View p(pal.get());
  EXPECT_EQ(p.entry(0), (RgbColor{250, 0, 0}));
  EXPECT_EQ(p.entry(1), kBlack);
}

// --- Format conversion -----------------------------------------------------------------

namespace {

BITMAPINFO* Info(const View& v) { return reinterpret_cast<BITMAPINFO*>(v.p); }

}  // namespace

TEST(ConvertDIBFormat, SameSizeAndDepthIsAPlainCopy) {
  std::vector<RgbColor> palette(256);
  for (int i = 0; i < 256; ++i) palette[i] = {uint8_t(i), uint8_t(255 - i), 7};
  palette[9] = palette[3];  // duplicates must not change indexes
  Dib src(MakeDib(6, 4, 8, palette));
  View s(src.get());
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x)
      s.setIndex(x, y, (x * 7 + y * 31) % 256 == 3 ? 9 : (x * 7 + y * 31) % 256);
  Dib out(CPics::ConvertDIBFormat(Info(s), 6, 4, 8, 1));
  ASSERT_NE(out.get(), nullptr);
  View o(out.get());
  EXPECT_EQ(GlobalSize(out.get()), 1068u + 8 * 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) ASSERT_EQ(o.index(x, y), s.index(x, y));
  for (uint32_t i = 0; i < 256; ++i) ASSERT_EQ(o.entry(i), palette[i]);
}

TEST(ConvertDIBFormat, OneBitTargetIsBlackThenWhiteByNearestColour) {
  Dib src(MakeTrueColor(9, 2, [](int x, int y) {
    return RgbColor{uint8_t(x * 30), uint8_t(x * 30), uint8_t(y * 200)};
  }));
  View s(src.get());
  Dib out(CPics::ConvertDIBFormat(Info(s), 9, 2, 1, 0));
  ASSERT_NE(out.get(), nullptr);
  View o(out.get());
  EXPECT_EQ(o.bits(), 1);
  EXPECT_EQ(o.entry(0), kBlack);
  EXPECT_EQ(o.entry(1), kWhite);
  EXPECT_EQ(o.index(0, 0), 0);
  EXPECT_EQ(o.index(8, 0), 1);  // (240, 240, 0) is nearer white
  EXPECT_EQ(o.index(2, 0), 0);
}

TEST(ConvertDIBFormat, StretchRepeatsPixelsAndPlainCopyKeepsTheTopLeft) {
  const RgbColor c[2][2] = {{kRed, kBlue}, {kWhite, {1, 2, 3}}};
  Dib src(MakeTrueColor(2, 2, [&](int x, int y) { return c[y][x]; }));
  View s(src.get());
  Dib big(CPics::ConvertDIBFormat(Info(s), 4, 4, 24, 1));
  ASSERT_NE(big.get(), nullptr);
  View b(big.get());
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) ASSERT_EQ(b.rgb(x, y), c[y / 2][x / 2]) << x << "," << y;
  Dib copy(CPics::ConvertDIBFormat(Info(s), 3, 3, 24, 0));
  View p(copy.get());
  EXPECT_EQ(p.rgb(0, 0), kRed);
  EXPECT_EQ(p.rgb(1, 1), (RgbColor{1, 2, 3}));
  EXPECT_EQ(p.rgb(2, 0), kBlack);
  EXPECT_EQ(p.rgb(0, 2), kBlack);
  EXPECT_EQ(GlobalSize(copy.get()), 1068u + 12 * 3);
}

TEST(ConvertDIBFormat, SixteenAndThirtyTwoBitPicturesBecomeTrueColour) {
  Dib d16(MakeDib(2, 1, 16));
  {
    View v(d16.get());
    Put16(v.row(0), 0x7C00);      // red, five bits a channel
    Put16(v.row(0) + 2, 0x03FF);  // green and blue full
  }
  View v16(d16.get());
  Dib out16(CPics::ConvertDIBFormat(Info(v16), 2, 1, 24, 0));
  ASSERT_NE(out16.get(), nullptr);
  EXPECT_EQ(View(out16.get()).rgb(0, 0), kRed);
  EXPECT_EQ(View(out16.get()).rgb(1, 0), (RgbColor{0, 255, 255}));

  // 5-6-5 bit fields: the three masks follow the 40-byte header.
  HGLOBAL h = GlobalAlloc(GHND, 40 + 12 + 4);
  {
    BYTE* p = static_cast<BYTE*>(GlobalLock(h));
    Put32(p, 40), Put32(p + 4, 1), Put32(p + 8, 1), Put16(p + 12, 1), Put16(p + 14, 16),
        Put32(p + 16, 3);
    Put32(p + 40, 0xF800), Put32(p + 44, 0x07E0), Put32(p + 48, 0x001F);
    Put16(p + 52, 0x07E0);
    GlobalUnlock(h);
  }
  Dib fields(h);
  View vf(fields.get());
  Dib outf(CPics::ConvertDIBFormat(Info(vf), 1, 1, 24, 0));
  ASSERT_NE(outf.get(), nullptr);
  EXPECT_EQ(View(outf.get()).rgb(0, 0), (RgbColor{0, 255, 0}));

  Dib d32(MakeDib(1, 1, 32));
  {
    View v(d32.get());
    v.row(0)[0] = 3, v.row(0)[1] = 2, v.row(0)[2] = 1;
  }
  View v32(d32.get());
  Dib out32(CPics::ConvertDIBFormat(Info(v32), 1, 1, 24, 0));
  EXPECT_EQ(View(out32.get()).rgb(0, 0), (RgbColor{1, 2, 3}));
}

TEST(ConvertDIBFormat, RefusesBadHeadersAndSizes) {
  Dib src(MakeDib(2, 2, 24));
  View s(src.get());
  EXPECT_EQ(CPics::ConvertDIBFormat(Info(s), 2, 2, 7, 0), nullptr);
  EXPECT_EQ(CPics::ConvertDIBFormat(Info(s), 40000, 2, 24, 1), nullptr);
  EXPECT_EQ(CPics::ConvertDIBFormat(nullptr, 2, 2, 24, 1), nullptr);
  Put32(s.p + 8, uint32_t(-2));
  EXPECT_EQ(CPics::ConvertDIBFormat(Info(s), 2, 2, 24, 1), nullptr);
}
