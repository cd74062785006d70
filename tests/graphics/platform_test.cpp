// Memory blocks, palettes and the file class under the picture library.
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "picture_test_support.h"

TEST(MemoryBlock, BlocksAreZeroFilledAndGrowZeroFilled) {
  HGLOBAL h = GlobalAlloc(GHND, 1000);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GlobalSize(h), 1000u);
  auto* p = static_cast<BYTE*>(GlobalLock(h));
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(p[i], 0);
  std::memset(p, 0xAB, 1000);
  GlobalUnlock(h);
  ASSERT_EQ(GlobalReAlloc(h, 5000, GMEM_MOVEABLE), h);
  EXPECT_EQ(GlobalSize(h), 5000u);
  p = static_cast<BYTE*>(GlobalLock(h));
  EXPECT_EQ(p[999], 0xAB);
  for (int i = 1000; i < 5000; ++i) ASSERT_EQ(p[i], 0);
  GlobalUnlock(h);
  EXPECT_EQ(GlobalFree(h), nullptr);
}

TEST(MemoryBlock, FreedAndNullHandlesAreRefused) {
  HGLOBAL h = GlobalAlloc(GHND, 16);
  GlobalFree(h);
  EXPECT_EQ(GlobalLock(h), nullptr);
  EXPECT_EQ(GlobalSize(h), 0u);
  EXPECT_EQ(GlobalReAlloc(h, 32, 0), nullptr);
  EXPECT_EQ(GlobalLock(nullptr), nullptr);
  EXPECT_EQ(GlobalUnlock(nullptr), FALSE);
  EXPECT_EQ(GlobalFree(h), nullptr);  // a second free does nothing
}

TEST(MemoryBlock, AbsurdSizesAreRefusedAndTheOldBlockSurvives) {
  EXPECT_EQ(GlobalAlloc(GHND, SIZE_MAX), nullptr);
  HGLOBAL h = GlobalAlloc(GHND, 8);
  EXPECT_EQ(GlobalReAlloc(h, SIZE_MAX / 2, 0), nullptr);
  EXPECT_EQ(GlobalSize(h), 8u);
  EXPECT_NE(GlobalLock(h), nullptr);
  GlobalUnlock(h);
  GlobalFree(h);
}

TEST(Palettes, StandardPaletteIsTheSixLevelCube) {
  HPALETTE palette = CPics::CreateStandardPalettes();
  ASSERT_NE(palette, nullptr);
  EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), 216u);
  PALETTEENTRY e[216];
  ASSERT_EQ(GetPaletteEntries(palette, 0, 216, e), 216u);
  auto rgb = [](const PALETTEENTRY& p) { return RGB(p.peRed, p.peGreen, p.peBlue); };
  EXPECT_EQ(rgb(e[0]), RGB(0, 0, 0));
  EXPECT_EQ(rgb(e[5]), RGB(0, 0, 255));
  EXPECT_EQ(rgb(e[6]), RGB(0, 51, 0));
  EXPECT_EQ(rgb(e[36]), RGB(51, 0, 0));
  EXPECT_EQ(rgb(e[215]), RGB(255, 255, 255));
  EXPECT_EQ(GetPaletteEntries(palette, 210, 20, e), 6u);  // clipped at the end
  EXPECT_EQ(DeleteObject(palette), TRUE);
}

TEST(FileLayer, OpeningAMissingFileReportsTheCause) {
  CFile file;
  CFileException error;
  EXPECT_FALSE(file.Open("/nonexistent/folder/x.bmp", CFile::modeRead, &error));
  EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
  EXPECT_EQ(error.m_lOsError, ENOENT);
  EXPECT_THROW(CFile("/nonexistent/x.bmp", CFile::modeRead), CFileException);
}

TEST(FileLayer, FailedWriteThrowsDiskFull) {
  CFile file;
  ASSERT_TRUE(file.Open("/dev/full", CFile::modeWrite));
  char buffer[64] = {};
  try {
    file.Write(buffer, sizeof buffer);
    FAIL() << "writing to a full device succeeded";
  } catch (const CFileException& error) {
    EXPECT_EQ(error.m_cause, CFileException::diskFull);
    EXPECT_EQ(error.m_lOsError, ENOSPC);
  }
}

TEST(FileLayer, ReadsSeeksAndReportsLength) {
  picstest::ScratchDir dir;
  const std::string path = dir.Path("data.bin");
  {
    CFile out(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    out.Write("0123456789", 10);
    out.Close();
  }
  CFile in(path.c_str(), CFile::modeRead);
  EXPECT_EQ(in.GetLength(), 10u);
  char buffer[20] = {};
  EXPECT_EQ(in.Seek(4, CFile::begin), 4u);
  EXPECT_EQ(in.Read(buffer, 20), 6u);  // short read at the end, no error
  EXPECT_STREQ(buffer, "456789");
  EXPECT_EQ(in.GetPosition(), 10u);
  EXPECT_FALSE(CFile().Open(dir.path().c_str(), CFile::modeRead));  // a folder is no file
}

TEST(FileLayer, PipesAreRefusedWithoutWaitingForAWriter) {
  picstest::ScratchDir dir;
  const std::string fifo = dir.Path("pipe.bmp");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(CFile().Open(fifo.c_str(), CFile::modeRead));
  EXPECT_EQ(CPics::PictureType(fifo.c_str()), PictureUnknown);
  EXPECT_EQ(CPics::OpenPicture(fifo.c_str(), 0, nullptr), nullptr);
}
