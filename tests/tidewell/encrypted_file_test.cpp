#include "tidewell/packing/encrypted_file.h"

#include <gtest/gtest.h>

#include "packing_test_support.h"
#include "tidewell/packing/compressed_file.h"

using namespace packing_test;
using tidewell::DecryptFile;
using tidewell::EncryptFile;

namespace {

const std::string kPhrase = "Wq7Rz-Bm'Tk42hv(Pe9LdNxJ";

class EncryptedFile : public ::testing::Test {
 protected:
  ScratchFolder dir;

  Bytes Encrypt(const Bytes& data, const std::string& phrase = kPhrase) {
    WriteBytes(dir / "plain", data);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(EncryptFile(dir / "plain", dir / "cipher", phrase), 1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "OK\n");
    return ReadBytes(dir / "cipher");
  }
};

Bytes Xor(const Bytes& a, const Bytes& b) {
  Bytes out(std::min(a.size(), b.size()));
  for (size_t i = 0; i < out.size(); ++i) out[i] = a[i] ^ b[i];
  return out;
}

TEST_F(EncryptedFile, EmptyFileStaysEmptyBothWays) {
  EXPECT_TRUE(Encrypt({}).empty());
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(DecryptFile(dir / "cipher", dir / "back", kPhrase), 1);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "OK\n");
  EXPECT_TRUE(ReadBytes(dir / "back").empty());
}

TEST_F(EncryptedFile, KeepsLengthAndDecryptsBack) {
  for (size_t size : {1u, 999u, 1000u, 1001u, 2500u, 64000u}) {
    const Bytes data = MixedData(size);
    const Bytes cipher = Encrypt(data);
    EXPECT_EQ(cipher.size(), size);
    EXPECT_NE(cipher, data);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(DecryptFile(dir / "cipher", dir / "back", kPhrase), 1);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(ReadBytes(dir / "back"), data) << size;
  }
}

TEST_F(EncryptedFile, EveryFileStartsTheSameKeystream) {
  const Bytes a = MixedData(3000, 1);
  const Bytes b = MixedData(2000, 2);
  const Bytes streamA = Xor(Encrypt(a), a);
  const Bytes streamB = Xor(Encrypt(b), b);
  EXPECT_EQ(Bytes(streamA.begin(), streamA.begin() + 2000), streamB);
  EXPECT_NE(Xor(Encrypt(a, "another phrase"), a), streamA);
}

TEST_F(EncryptedFile, WrongPhraseDecryptsButUncompressingFails) {
  WriteBytes(dir / "plain", MixedData(10000));
  ASSERT_EQ(tidewell::CompressFile(dir / "plain", dir / "packed", 6), 0);
  ::testing::internal::CaptureStderr();
  ASSERT_EQ(EncryptFile(dir / "packed", dir / "cipher", kPhrase), 1);
  EXPECT_EQ(DecryptFile(dir / "cipher", dir / "guess", "wrong phrase"), 1);
  ::testing::internal::GetCapturedStderr();
  EXPECT_LT(tidewell::UncompressFile(dir / "guess", dir / "out"), 0);
}

TEST_F(EncryptedFile, OpenFailuresPrintTheirLine) {
  WriteBytes(dir / "plain", MixedData(10));
  struct Case {
    int (*op)(const std::string&, const std::string&, const std::string&);
    std::string in, out, line;
  };
  const Case cases[] = {
      {EncryptFile, dir / "absent", dir / "x", "Error opening Plaintext file!\n"},
      {EncryptFile, dir / "plain", dir / "none/x", "Error opening Ciphertext file!\n"},
      {DecryptFile, dir / "absent", dir / "x", "Error opening Ciphertext file!\n"},
      {DecryptFile, dir / "plain", dir / "none/x", "Error opening Plaintext file!\n"},
      {EncryptFile, dir / "plain", dir / "plain", "Error opening Ciphertext file!\n"},
  };
  for (const Case& c : cases) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(c.op(c.in, c.out, kPhrase), 0) << c.line;
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.line);
  }
  EXPECT_EQ(ReadBytes(dir / "plain").size(), 10u);
}

TEST_F(EncryptedFile, ReadAndWriteFailuresPrintTheirLine) {
  WriteBytes(dir / "plain", MixedData(5000));
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(EncryptFile(dir / "plain", "/dev/full", kPhrase), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Error writing Ciphertext!\n");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(DecryptFile(dir.path(), dir / "x", kPhrase), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Error reading Ciphertext!\n");
}

}  // namespace
