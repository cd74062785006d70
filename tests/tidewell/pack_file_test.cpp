#include "tidewell/packing/pack_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "packing_test_support.h"
#include "tidewell/packing/stream_unpacker.h"

using namespace packing_test;
using tidewell::PackFile;
using tidewell::UnpackFile;

namespace {

const std::string kPhrase = "Wq7Rz-Bm'Tk42hv(Pe9LdNxJ";

// Points the temporary folder at an empty private folder, so a test can see every
// "ucf" file the packing steps leave behind.
class PackFileTest : public ::testing::Test {
 protected:
  ScratchFolder dir;
  std::string temp;
  std::string savedTmpdir;
  bool hadTmpdir = false;

  void SetUp() override {
    temp = dir / "tmp";
    std::filesystem::create_directory(temp);
    if (const char* old = std::getenv("TMPDIR")) {
      hadTmpdir = true;
      savedTmpdir = old;
    }
    ::setenv("TMPDIR", temp.c_str(), 1);
    ::testing::internal::CaptureStderr();  // the encryption steps print "OK"
  }
  void TearDown() override {
    ::testing::internal::GetCapturedStderr();
    if (hadTmpdir) {
      ::setenv("TMPDIR", savedTmpdir.c_str(), 1);
    } else {
      ::unsetenv("TMPDIR");
    }
  }

  size_t TempFileCount() const {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(temp),
                                             std::filesystem::directory_iterator()));
  }

  // Runs the independent Python implementation.
  void Reference(const std::string& mode, const std::string& in, const std::string& out,
                 int level = 6) {
    const std::string command =
        "/usr/bin/python3 '" SOURCE_DIR "/tests/tidewell/pack_reference.py' " + mode + " '" + in +
        "' '" + out + "' \"" + kPhrase + "\" " + std::to_string(level);
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }
};

TEST_F(PackFileTest, MatchesIndependentImplementationByteForByte) {
  for (size_t size : {0u, 1u, 4096u, 4097u, 150000u}) {
    WriteBytes(dir / "plain", MixedData(size, static_cast<unsigned>(size)));
    std::string packed;
    ASSERT_TRUE(PackFile(dir / "plain", true, true, kPhrase, packed));
    Reference("pack", dir / "plain", dir / "expected");
    EXPECT_EQ(ReadBytes(packed), ReadBytes(dir / "expected")) << size;
    std::filesystem::remove(packed);
  }
}

TEST_F(PackFileTest, UnpacksIndependentlyPackedFilesOfAnyLevel) {
  const Bytes data = MixedData(90000);
  WriteBytes(dir / "plain", data);
  for (int level : {1, 6, 9}) {
    Reference("pack", dir / "plain", dir / "packed", level);
    std::string result;
    ASSERT_TRUE(UnpackFile(dir / "packed", true, true, kPhrase, result)) << level;
    EXPECT_EQ(ReadBytes(result), data) << level;
    std::filesystem::remove(result);
  }
  // And the other way: our packed file through the independent unpacker.
  std::string packed;
  ASSERT_TRUE(PackFile(dir / "plain", true, true, kPhrase, packed));
  Reference("unpack", packed, dir / "back");
  EXPECT_EQ(ReadBytes(dir / "back"), data);
  std::filesystem::remove(packed);
}

TEST_F(PackFileTest, ResultIsOneFreshTempFileAndIntermediatesAreGone) {
  const Bytes data = MixedData(20000);
  WriteBytes(dir / "plain", data);
  std::string packed;
  ASSERT_TRUE(PackFile(dir / "plain", true, true, kPhrase, packed));
  EXPECT_EQ(std::filesystem::path(packed).parent_path(), std::filesystem::path(temp));
  EXPECT_EQ(std::filesystem::path(packed).filename().string().rfind("ucf", 0), 0u);
  EXPECT_EQ(TempFileCount(), 1u);

  std::string unpacked;
  ASSERT_TRUE(UnpackFile(packed, true, true, kPhrase, unpacked));
  EXPECT_EQ(TempFileCount(), 2u);  // the packed file and the result
  EXPECT_EQ(ReadBytes(unpacked), data);
  EXPECT_EQ(ReadBytes(dir / "plain"), data);
}

TEST_F(PackFileTest, SingleStepsAndNoSteps) {
  const Bytes data = MixedData(7000);
  WriteBytes(dir / "plain", data);
  std::string compressed;
  ASSERT_TRUE(PackFile(dir / "plain", true, false, kPhrase, compressed));
  std::string back;
  ASSERT_TRUE(UnpackFile(compressed, false, true, kPhrase, back));
  EXPECT_EQ(ReadBytes(back), data);

  std::string encrypted;
  ASSERT_TRUE(PackFile(dir / "plain", false, true, kPhrase, encrypted));
  EXPECT_EQ(ReadBytes(encrypted).size(), data.size());
  ASSERT_TRUE(UnpackFile(encrypted, true, false, kPhrase, back));
  EXPECT_EQ(ReadBytes(back), data);

  std::string none = "stale";
  EXPECT_TRUE(PackFile(dir / "plain", false, false, kPhrase, none));
  EXPECT_EQ(none, "");
}

TEST_F(PackFileTest, FailuresLeaveNoTempFilesAndNoResult) {
  WriteBytes(dir / "garbage", MixedData(30000));
  std::string damaged;
  {
    WriteBytes(dir / "plain", MixedData(30000));
    ASSERT_TRUE(PackFile(dir / "plain", true, true, kPhrase, damaged));
    Bytes bytes = ReadBytes(damaged);
    bytes.resize(bytes.size() / 2);
    std::filesystem::remove(damaged);
    WriteBytes(dir / "damaged", bytes);
  }
  ASSERT_EQ(TempFileCount(), 0u);

  std::string result = "stale";
  EXPECT_FALSE(PackFile(dir / "absent", true, true, kPhrase, result));
  EXPECT_EQ(result, "");
  EXPECT_FALSE(UnpackFile(dir / "absent", true, true, kPhrase, result));
  // Decrypting succeeds; uncompressing then fails, and both files must go.
  EXPECT_FALSE(UnpackFile(dir / "garbage", true, true, kPhrase, result));
  EXPECT_FALSE(UnpackFile(dir / "damaged", true, true, kPhrase, result));
  EXPECT_FALSE(UnpackFile(dir / "damaged", true, true, "wrong phrase", result));
  EXPECT_EQ(result, "");
  EXPECT_EQ(TempFileCount(), 0u);
}

// What arrives block by block unpacks to the bytes UnpackFile gives, with the same
// refusals, whatever the blocks' sizes; and never beyond its bound.
TEST_F(PackFileTest, StreamedUnpackingMatchesUnpackFile) {
  WriteBytes(dir / "plain", MixedData(200000));
  std::string packedPath;
  ASSERT_TRUE(PackFile(dir / "plain", true, true, kPhrase, packedPath));
  const Bytes packed = ReadBytes(packedPath);
  std::filesystem::remove(packedPath);
  Bytes flipped = packed;
  flipped[flipped.size() / 2] ^= 0x40;
  Bytes trailing = packed;
  trailing.push_back(0);
  const Bytes truncated(packed.begin(), packed.end() - 10);
  struct Case {
    const char* what;
    Bytes input;
  };
  for (const Case& c :
       {Case{"whole", packed}, Case{"corrupt", flipped}, Case{"trailing byte", trailing},
        Case{"truncated", truncated}, Case{"empty", {}}, Case{"garbage", MixedData(5000)}}) {
    SCOPED_TRACE(c.what);
    WriteBytes(dir / "in", c.input);
    std::string result;
    const bool ok = UnpackFile(dir / "in", true, true, kPhrase, result);
    const Bytes expected = ok ? ReadBytes(result) : Bytes();
    if (ok) std::filesystem::remove(result);
    for (const size_t block : {size_t{1}, size_t{1023}, size_t{70000}}) {
      Bytes out;
      tidewell::StreamUnpacker unpacker(true, true, kPhrase, -1, [&](const char* data, size_t n) {
        out.insert(out.end(), data, data + n);
        return true;
      });
      Bytes input = c.input;
      auto status = tidewell::StreamUnpacker::Result::Ok;
      for (size_t at = 0; at < input.size() && status == tidewell::StreamUnpacker::Result::Ok;
           at += block)
        status = unpacker.Feed(reinterpret_cast<char*>(input.data() + at),
                               std::min(block, input.size() - at));
      if (status == tidewell::StreamUnpacker::Result::Ok) status = unpacker.Finish();
      EXPECT_EQ(ok, status == tidewell::StreamUnpacker::Result::Ok) << block;
      if (ok) {
        EXPECT_TRUE(out == expected) << block;
      }
    }
  }
  Bytes input = packed;
  size_t given = 0;
  tidewell::StreamUnpacker bounded(true, true, kPhrase, 150000, [&](const char*, size_t n) {
    given += n;
    return true;
  });
  EXPECT_EQ(bounded.Feed(reinterpret_cast<char*>(input.data()), input.size()),
            tidewell::StreamUnpacker::Result::TooLarge);
  EXPECT_LE(given, 150000u);
}

TEST_F(PackFileTest, MissingTempFolderFails) {
  ::setenv("TMPDIR", (dir / "no-such-folder").c_str(), 1);
  WriteBytes(dir / "plain", MixedData(100));
  std::string result;
  EXPECT_FALSE(PackFile(dir / "plain", true, true, kPhrase, result));
  EXPECT_EQ(result, "");
}

}  // namespace
