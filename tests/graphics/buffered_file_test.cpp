// The buffered reader and writer the PCX, TGA and XBM coders share: byte and block
// operations mixed across buffer boundaries, large blocks past the buffer, the end.
#include "graphics/formats/coder/buffered_file.h"
#include "picture_test_support.h"

using picstest::ScratchDir;

namespace {

TEST(BufferedFile, MixedOperationsAcrossTinyBuffersKeepEveryByte) {
  ScratchDir dir;
  const std::string path = dir.Path("data.bin");
  std::vector<BYTE> expected;
  {
    CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    graphics::BufferedWriter out(file, 7);
    for (int i = 0; i < 300; ++i) {
      const BYTE b = BYTE(i * 31);
      if (i % 3 == 0) {
        out.Put(b);
        expected.push_back(b);
      } else {
        std::vector<BYTE> block(std::size_t(i % 23), b);
        out.Write(block.data(), block.size());
        expected.insert(expected.end(), block.begin(), block.end());
      }
    }
    out.Flush();
    file.Close();
  }
  ASSERT_EQ(picstest::ReadBytes(path), expected);

  CFile file(path.c_str(), CFile::modeRead);
  graphics::BufferedReader in(file, 5);
  std::size_t pos = 0;
  EXPECT_EQ(in.Peek(), expected[0]);
  EXPECT_EQ(in.Get(), expected[pos++]);
  std::vector<BYTE> block(11);
  ASSERT_EQ(in.Read(block.data(), block.size()), block.size());
  EXPECT_TRUE(std::equal(block.begin(), block.end(), expected.begin() + long(pos)));
  pos += block.size();
  EXPECT_EQ(in.Skip(13), 13u);
  pos += 13;
  // A block longer than the buffer is read past it.
  std::vector<BYTE> large(100);
  ASSERT_EQ(in.Read(large.data(), large.size()), large.size());
  EXPECT_TRUE(std::equal(large.begin(), large.end(), expected.begin() + long(pos)));
  pos += large.size();
  EXPECT_EQ(in.Get(), expected[pos++]);
  // The rest, then the end.
  const std::size_t rest = expected.size() - pos;
  std::vector<BYTE> tail(rest + 10);
  EXPECT_EQ(in.Read(tail.data(), tail.size()), rest);
  EXPECT_EQ(in.Get(), -1);
  EXPECT_EQ(in.Peek(), -1);
  EXPECT_EQ(in.Skip(5), 0u);
}

TEST(BufferedFile, FailedWriteThrowsTheFileException) {
  CFile full;
  if (!full.Open("/dev/full", CFile::modeWrite)) GTEST_SKIP() << "no /dev/full";
  graphics::BufferedWriter out(full, 16);
  const BYTE bytes[40] = {};
  EXPECT_THROW(
      {
        out.Write(bytes, sizeof bytes);
        out.Flush();
      },
      CFileException);
}

}  // namespace
