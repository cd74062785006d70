// DIB layout rules: header kinds, colour counts, row widths and single-pixel access.
#include <array>
#include <cstring>
#include <utility>

#include "graphics/core/dib_block.h"
#include "picture_test_support.h"

using picstest::MakeDib;
using picstest::PutPixel;

namespace {

struct Locked {
  explicit Locked(HGLOBAL h) : handle(h), p(static_cast<BYTE*>(GlobalLock(h))) {}
  ~Locked() { GlobalUnlock(handle); }
  HGLOBAL handle;
  BYTE* p;
};

std::vector<BYTE> CoreHeaderDib(WORD width, WORD height, WORD bits, DWORD sizeWord = 12) {
  std::vector<BYTE> dib(12 + 3 * 256 + 64 * 64, 0);
  BITMAPCOREHEADER header{sizeWord, width, height, 1, bits};
  std::memcpy(dib.data(), &header, sizeof header);
  return dib;
}

}  // namespace

TEST(DibAccessors, TrueColourDibHasNoTableAndPixelsFollowTheHeader) {
  HGLOBAL dib = MakeDib(5, 2, 24);
  Locked l(dib);
  EXPECT_EQ(CPics::DIBHeaderSize(l.p), 40u);
  EXPECT_EQ(CPics::DIBNumberOfColors(l.p), 0);
  EXPECT_EQ(CPics::DIBPaletteSize(l.p), 0u);
  EXPECT_EQ(CPics::DIBImagePtr(l.p), l.p + 40);
  EXPECT_EQ(CPics::DIBByteWidth(l.p), 16u);  // 15 rounded up
  GlobalFree(dib);
}

TEST(DibAccessors, ColoursUsedSetsTableLength) {
  HGLOBAL dib = MakeDib(4, 4, 8, {0x102030, 0x405060}, 16);
  Locked l(dib);
  EXPECT_EQ(CPics::DIBNumberOfColors(l.p), 16);
  EXPECT_EQ(CPics::DIBPaletteSize(l.p), 64u);
  std::vector<BYTE> rgb(768, 0xEE);
  CPics::DIBGetPalette(l.p, rgb.data());
  EXPECT_EQ(rgb[0], 0x10);
  EXPECT_EQ(rgb[1], 0x20);
  EXPECT_EQ(rgb[2], 0x30);
  EXPECT_EQ(rgb[3], 0x40);
  EXPECT_EQ(rgb[47], 0x00);  // 16 entries written
  EXPECT_EQ(rgb[48], 0xEE);  // and no more
  GlobalFree(dib);
}

TEST(DibAccessors, RowWidthsRoundUpToFourBytes) {
  struct Case {
    int width, bits;
    DWORD bytes;
  };
  const Case cases[] = {{1, 1, 4}, {33, 1, 8},  {32, 1, 4}, {9, 4, 8},   {5, 8, 8},
                        {4, 8, 4}, {5, 24, 16}, {3, 16, 8}, {3, 32, 12}, {13, 2, 4}};
  for (const Case& c : cases) {
    HGLOBAL dib = MakeDib(c.width, 1, c.bits);
    Locked l(dib);
    EXPECT_EQ(CPics::DIBByteWidth(l.p), c.bytes) << c.width << " pixels of " << c.bits << " bits";
    GlobalFree(dib);
  }
}

TEST(DibAccessors, DefaultColourCountsByDepth) {
  const std::pair<int, int> cases[] = {{1, 2}, {4, 16}, {8, 256}, {24, 0}, {16, 0}, {32, 0}};
  for (auto [bits, colors] : cases) {
    HGLOBAL dib = MakeDib(2, 2, bits);
    Locked l(dib);
    EXPECT_EQ(CPics::DIBNumberOfColors(l.p), colors) << bits;
    GlobalFree(dib);
  }
}

TEST(DibAccessors, CoreHeaderReadsSixteenBitFieldsAndThreeByteEntries) {
  std::vector<BYTE> dib = CoreHeaderDib(33, 7, 1);
  dib[12] = 1, dib[13] = 2, dib[14] = 3;  // entry 0: blue 1, green 2, red 3
  dib[15] = 4, dib[16] = 5, dib[17] = 6;
  EXPECT_EQ(CPics::DIBHeaderSize(dib.data()), 12u);
  EXPECT_EQ(CPics::DIBWidth(dib.data()), 33);
  EXPECT_EQ(CPics::DIBHeight(dib.data()), 7);
  EXPECT_EQ(CPics::DIBBitPlanes(dib.data()), 1);
  EXPECT_EQ(CPics::DIBPaletteSize(dib.data()), 6u);
  EXPECT_EQ(CPics::DIBImagePtr(dib.data()), dib.data() + 18);
  BYTE rgb[6];
  CPics::DIBGetPalette(dib.data(), rgb);
  EXPECT_EQ(rgb[0], 3);
  EXPECT_EQ(rgb[2], 1);
  EXPECT_EQ(rgb[3], 6);
}

TEST(DibAccessors, UnknownHeaderSizeIsReadAsCoreHeaderThroughout) {
  std::vector<BYTE> dib = CoreHeaderDib(4, 3, 8, 64);
  dib[12] = 9, dib[13] = 8, dib[14] = 7;
  dib[15] = 6, dib[16] = 5, dib[17] = 4;
  EXPECT_EQ(CPics::DIBHeaderSize(dib.data()), 12u);
  EXPECT_EQ(CPics::DIBWidth(dib.data()), 4);
  EXPECT_EQ(CPics::DIBPaletteSize(dib.data()), 768u);
  // The palette walk uses the same 3-byte entries as the size rule.
  BYTE rgb[768];
  CPics::DIBGetPalette(dib.data(), rgb);
  EXPECT_EQ(rgb[3], 4);
  EXPECT_EQ(rgb[5], 6);
}

TEST(DibAccessors, CopyDibCopiesExactlyThePackedSize) {
  EXPECT_EQ(CPics::CopyDIB(nullptr), nullptr);
  HGLOBAL dib = MakeDib(3, 2, 8, {0xFF0000});
  PutPixel(dib, 2, 1, 7);
  HGLOBAL copy;
  {
    Locked l(dib);
    copy = CPics::CopyDIB(l.p);
  }
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(GlobalSize(copy), 40u + 1024u + 4u * 2u);
  Locked a(dib), b(copy);
  EXPECT_EQ(std::memcmp(a.p, b.p, GlobalSize(copy)), 0);
  GlobalFree(copy);
  GlobalFree(dib);
}

TEST(DibPixels, TrueColourAddressingIsTopDown) {
  HGLOBAL dib = MakeDib(3, 2, 24);
  PutPixel(dib, 0, 0, 0x112233);
  BYTE r, g, b;
  ASSERT_EQ(CPics::GetPixel(dib, 0, 0, &r, &g, &b), 1);
  EXPECT_EQ(r, 0x11);
  EXPECT_EQ(g, 0x22);
  EXPECT_EQ(b, 0x33);
  {
    Locked l(dib);  // the first pixel of the last stored row
    const BYTE* last = CPics::DIBImagePtr(l.p) + CPics::DIBByteWidth(l.p);
    EXPECT_EQ(last[0], 0x33);
  }
  EXPECT_EQ(CPics::GetPixel(dib, 3, 0, &r, &g, &b), 0);
  EXPECT_EQ(CPics::GetPixel(dib, -1, 0, &r, &g, &b), 0);
  EXPECT_EQ(CPics::GetPixel(dib, 0, 2, &r, &g, &b), 0);
  ASSERT_EQ(CPics::SetPixel(dib, 2, 1, 1, 2, 3), 1);
  ASSERT_EQ(CPics::GetPixel(dib, 2, 1, &r, &g, &b), 1);
  EXPECT_EQ(r + g * 10 + b * 100, 321);
  EXPECT_EQ(CPics::SetPixel(dib, 3, 1, 1, 2, 3), 0);
  GlobalFree(dib);
}

TEST(DibPixels, PaletteDibReadsThroughTableAndStaysUnchanged) {
  HGLOBAL dib = MakeDib(4, 2, 8, {0x000000, 0xA0B0C0});
  PutPixel(dib, 3, 1, 1);
  std::vector<BYTE> before(GlobalSize(dib));
  std::memcpy(before.data(), Locked(dib).p, before.size());
  BYTE r, g, b;
  ASSERT_EQ(CPics::GetPixel(dib, 3, 1, &r, &g, &b), 1);
  EXPECT_EQ(r, 0xA0);
  EXPECT_EQ(g, 0xB0);
  EXPECT_EQ(b, 0xC0);
  EXPECT_EQ(CPics::SetPixel(dib, 0, 0, 1, 2, 3), 0);
  EXPECT_EQ(CPics::FillDIB(dib, 1, 2, 3), 0);
  EXPECT_EQ(GlobalSize(dib), before.size());
  EXPECT_EQ(std::memcmp(Locked(dib).p, before.data(), before.size()), 0);
  GlobalFree(dib);
}

TEST(DibPixels, FillLeavesRowPaddingAlone) {
  HGLOBAL dib = MakeDib(5, 2, 24);
  {
    Locked l(dib);
    std::memset(CPics::DIBImagePtr(l.p), 0x77, 32);
  }
  ASSERT_EQ(CPics::FillDIB(dib, 1, 2, 3), 1);
  Locked l(dib);
  const BYTE* rows = CPics::DIBImagePtr(l.p);
  for (int row = 0; row < 2; ++row) {
    EXPECT_EQ(rows[row * 16 + 12], 3);  // last pixel's blue
    EXPECT_EQ(rows[row * 16 + 14], 1);
    EXPECT_EQ(rows[row * 16 + 15], 0x77);  // padding byte untouched
  }
  GlobalFree(dib);
}

TEST(DibPixels, HandleWhoseHeaderPromisesMoreThanTheBlockIsRefused) {
  HGLOBAL dib = GlobalAlloc(GHND, 60);
  {
    Locked l(dib);
    BITMAPINFOHEADER header{};
    header.biSize = 40;
    header.biWidth = 1000;
    header.biHeight = 1000;
    header.biPlanes = 1;
    header.biBitCount = 24;
    std::memcpy(l.p, &header, sizeof header);
  }
  BYTE r, g, b;
  EXPECT_EQ(CPics::GetPixel(dib, 999, 999, &r, &g, &b), 0);
  EXPECT_EQ(CPics::SetPixel(dib, 999, 999, 1, 2, 3), 0);
  EXPECT_EQ(CPics::FillDIB(dib, 1, 2, 3), 0);
  GlobalFree(dib);
}

TEST(DibHandle, FreesWhatItOwnsOnceAndNothingItHandedOn) {
  graphics::DibHandle first = graphics::DibHandle::Allocate(64);
  const HGLOBAL raw = first.get();
  ASSERT_EQ(GlobalSize(raw), 64u);
  graphics::DibHandle second = std::move(first);  // ownership moves, the block stays
  EXPECT_FALSE(first);
  EXPECT_EQ(GlobalSize(raw), 64u);

  HGLOBAL slot = GlobalAlloc(GHND, 8);
  const HGLOBAL previous = slot;
  graphics::ReplaceDib(slot, std::move(second));  // the slot's old block goes
  EXPECT_EQ(slot, raw);
  EXPECT_EQ(GlobalSize(previous), 0u);
  graphics::ReplaceDib(slot, graphics::DibHandle(slot));  // the same block: kept, not freed
  EXPECT_EQ(GlobalSize(raw), 64u);

  const HGLOBAL other = GlobalAlloc(GHND, 8);
  {
    graphics::DibHandle released(slot), dropped(other);
    (void)released.release();
  }
  EXPECT_EQ(GlobalSize(raw), 64u);
  EXPECT_EQ(GlobalSize(other), 0u);
  graphics::FreeDib(slot);
  EXPECT_EQ(slot, nullptr);
  EXPECT_EQ(GlobalSize(raw), 0u);
  EXPECT_FALSE(graphics::DibHandle::Allocate(std::uint64_t(1) << 62));
}

TEST(DibHandle, HeaderAndOffsetsAreTheLibrarysLayout) {
  for (const auto& [bits, offset] :
       {std::pair{1, 48u}, {4, 104u}, {8, 1064u}, {16, 40u}, {24, 40u}, {32, 40u}}) {
    EXPECT_EQ(graphics::DibPixelOffset(bits), offset) << bits;
    std::array<BYTE, 40> header{};
    graphics::WriteDibHeader(header.data(), 7, -3, bits);
    EXPECT_EQ(CPics::DIBHeaderSize(header.data()), 40u);
    EXPECT_EQ(CPics::DIBWidth(header.data()), 7);
    EXPECT_EQ(CPics::DIBBitsPerPixel(header.data()), bits);
    const BITMAPINFOHEADER h = graphics::DibHeader(7, -3, bits);
    EXPECT_EQ(h.biHeight, -3);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biCompression + h.biSizeImage + h.biClrUsed + h.biClrImportant, 0u);
  }
}
