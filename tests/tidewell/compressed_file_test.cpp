#include "tidewell/packing/compressed_file.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>

#include "packing_test_support.h"

using namespace packing_test;
using tidewell::CompressFile;
using tidewell::UncompressFile;

namespace {

class CompressedFile : public ::testing::Test {
 protected:
  ScratchFolder dir;

  // Compresses data at level 6 and returns the stream bytes.
  Bytes Compress(const Bytes& data) {
    WriteBytes(dir / "plain", data);
    EXPECT_EQ(CompressFile(dir / "plain", dir / "packed", 6), 0);
    return ReadBytes(dir / "packed");
  }

  // Uncompresses a stream, returning the result code and leaving the output in "out".
  int Uncompress(const Bytes& stream) {
    WriteBytes(dir / "stream", stream);
    return UncompressFile(dir / "stream", dir / "out");
  }
};

TEST_F(CompressedFile, EmptySourceGivesEightByteStreamAndBack) {
  const Bytes stream = Compress({});
  EXPECT_EQ(stream.size(), 8u);
  EXPECT_EQ(Uncompress(stream), 0);
  EXPECT_TRUE(ReadBytes(dir / "out").empty());
}

TEST_F(CompressedFile, RoundTripsSizesAroundTheBufferSize) {
  for (size_t size : {1u, 4095u, 4096u, 4097u, 8192u, 12289u, 300000u}) {
    const Bytes data = MixedData(size, static_cast<unsigned>(size));
    const Bytes stream = Compress(data);
    ASSERT_EQ(Uncompress(stream), 0) << size;
    EXPECT_EQ(ReadBytes(dir / "out"), data) << size;
  }
}

// Each packed input byte can stand for hundreds of output bytes, so the last input
// block leaves much more output than one buffer holds.
TEST_F(CompressedFile, RoundTripsHighlyCompressibleData) {
  for (size_t size : {4096u * 1024u, 10u * 1024u * 1024u + 17u}) {
    const Bytes data(size, 'A');
    const Bytes stream = Compress(data);
    ASSERT_EQ(Uncompress(stream), 0) << size;
    EXPECT_EQ(ReadBytes(dir / "out"), data) << size;
  }
}

TEST_F(CompressedFile, StreamIsReadByZlibItself) {
  const Bytes data = MixedData(50000);
  const Bytes stream = Compress(data);
  Bytes back(data.size());
  uLongf backSize = back.size();
  ASSERT_EQ(uncompress(back.data(), &backSize, stream.data(), stream.size()), Z_OK);
  EXPECT_EQ(backSize, data.size());
  EXPECT_EQ(back, data);
}

TEST_F(CompressedFile, ReadsStreamsOfEveryLevel) {
  const Bytes data = MixedData(70000);
  for (int level : {0, 1, 9}) {
    Bytes stream(compressBound(data.size()));
    uLongf size = stream.size();
    ASSERT_EQ(compress2(stream.data(), &size, data.data(), data.size(), level), Z_OK);
    stream.resize(size);
    ASSERT_EQ(Uncompress(stream), 0) << level;
    EXPECT_EQ(ReadBytes(dir / "out"), data) << level;
  }
}

TEST_F(CompressedFile, TruncatedStreamNeverSucceeds) {
  const Bytes stream = Compress(MixedData(20000));
  EXPECT_EQ(Uncompress(Bytes(stream.begin(), stream.end() - 1)), Z_BUF_ERROR);
  for (size_t keep = 0; keep < stream.size(); keep += 97) {
    EXPECT_LT(Uncompress(Bytes(stream.begin(), stream.begin() + static_cast<long>(keep))), 0)
        << keep;
  }
}

TEST_F(CompressedFile, CorruptStreamNeverSucceeds) {
  const Bytes stream = Compress(MixedData(20000));
  for (size_t at = 0; at < stream.size(); at += 53) {
    Bytes bad = stream;
    bad[at] ^= 0x5A;
    EXPECT_LT(Uncompress(bad), 0) << at;
  }
}

TEST_F(CompressedFile, BytesAfterTheStreamAreRejected) {
  Bytes stream = Compress(MixedData(5000));
  stream.push_back(0);
  EXPECT_EQ(Uncompress(stream), Z_DATA_ERROR);
}

TEST_F(CompressedFile, StreamNeedingDictionaryIsRejected) {
  // Header with the preset-dictionary bit, then a dictionary id and some data.
  const Bytes stream = {0x78, 0xBB, 0x00, 0x00, 0x00, 0x01, 0x4B,
                        0x04, 0x00, 0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(Uncompress(stream), Z_DATA_ERROR);
}

TEST_F(CompressedFile, EmptyOrGarbageFileIsNotAStream) {
  EXPECT_LT(Uncompress({}), 0);
  EXPECT_LT(Uncompress(MixedData(9000)), 0);
}

TEST_F(CompressedFile, UnopenableFilesFailWithoutCreatingOutput) {
  EXPECT_EQ(CompressFile(dir / "absent", dir / "out", 6), -1);
  EXPECT_EQ(UncompressFile(dir / "absent", dir / "out"), -1);
  EXPECT_FALSE(std::filesystem::exists(dir / "out"));
  EXPECT_EQ(CompressFile(dir.path(), dir / "out", 6), -1);  // a folder reads as an error
  EXPECT_EQ(UncompressFile(dir.path(), dir / "out"), -1);
  WriteBytes(dir / "plain", MixedData(100));
  EXPECT_EQ(CompressFile(dir / "plain", dir / "no-such-folder/out", 6), -1);
  WriteBytes(dir / "stream", Compress(MixedData(100)));
  EXPECT_EQ(UncompressFile(dir / "stream", dir / "no-such-folder/out"), -1);
}

TEST_F(CompressedFile, FullDiskIsReportedForSmallAndLargeOutput) {
  for (size_t size : {10u, 200000u}) {
    const Bytes data = MixedData(size);
    WriteBytes(dir / "plain", data);
    EXPECT_EQ(CompressFile(dir / "plain", "/dev/full", 6), -1) << size;
    WriteBytes(dir / "stream", Compress(data));
    EXPECT_EQ(UncompressFile(dir / "stream", "/dev/full"), -1) << size;
  }
}

TEST_F(CompressedFile, SourceAsDestinationIsRefusedAndKept) {
  const Bytes data = MixedData(3000);
  WriteBytes(dir / "plain", data);
  EXPECT_EQ(CompressFile(dir / "plain", dir / "plain", 6), -1);
  EXPECT_EQ(UncompressFile(dir / "plain", dir / "plain"), -1);
  EXPECT_EQ(ReadBytes(dir / "plain"), data);
}

TEST_F(CompressedFile, InvalidLevelIsZlibStreamError) {
  WriteBytes(dir / "plain", MixedData(100));
  EXPECT_EQ(CompressFile(dir / "plain", dir / "out", 12), Z_STREAM_ERROR);
}

}  // namespace
