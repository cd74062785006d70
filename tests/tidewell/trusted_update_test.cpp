// The trusted update channel end to end: signed lists, listed hashes and the refusals
// of whatever a server may not send. Keys and signatures are cross-checked with the
// openssl command.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <sstream>

#include "run_test_support.h"
#include "tidewell/app/string_table.h"
#include "tidewell/app/tidewell_app.h"
#include "tidewell/packing/pack_file.h"
#include "tidewell/platform/file_copy.h"
#include "tidewell/trust/file_hash.h"
#include "tidewell/trust/signature_check.h"

namespace {

namespace fs = std::filesystem;
using tidewell_test::ReadWholeFile;
using tidewell_test::WriteWholeFile;

bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

// An Ed25519 key pair as the openssl command makes it.
void MakeOpensslKeys(const std::string& secret, const std::string& pub) {
  ASSERT_TRUE(Shell("/usr/bin/openssl genpkey -algorithm ed25519 -out " + secret +
                    " && /usr/bin/openssl pkey -in " + secret + " -pubout -out " + pub));
}

bool OpensslSign(const std::string& secret, const std::string& file, const std::string& sig) {
  return Shell("/usr/bin/openssl pkeyutl -sign -rawin -inkey " + secret + " -in " + file +
               " -out " + sig);
}

// Replaces a packed file of the set by the packed form of other bytes.
void Repack(const std::string& packedPath, const std::string& bytes) {
  const std::string plain = packedPath + ".plain";
  WriteWholeFile(plain, bytes);
  std::string packed;
  ASSERT_TRUE(tidewell::PackFile(plain, true, true, tidewell::LoadString(tidewell::kStrPassPhrase),
                                 packed));
  ASSERT_EQ(0u, tidewell::MoveFileOver(packed, packedPath));
  fs::remove(plain);
}

std::string Unpacked(const std::string& packedPath) {
  std::string result;
  if (!tidewell::UnpackFile(packedPath, true, true, tidewell::LoadString(tidewell::kStrPassPhrase),
                            result))
    return "";
  const std::string text = ReadWholeFile(result);
  fs::remove(result);
  return text;
}

struct RunResult {
  int code = -1;
  std::string errors;  // standard error of the run
};

RunResult RunClient(const std::string& commandLine) {
  tidewell_test::EnsureGuiApplication();
  run_test::RecordedBoxes boxes;
  std::ostringstream diagnostics;
  tidewell::TidewellApp app(boxes, false, diagnostics);
  std::optional<int> quit;
  app.SetQuitHandler([&](int status) { quit = status; });
  RunResult result;
  testing::internal::CaptureStderr();
  if (!app.InitInstance(commandLine)) {
    quit = app.exitStatus();
  } else {
    EXPECT_TRUE(QTest::qWaitFor([&] { return quit.has_value(); }, 60000));
  }
  result.errors = testing::internal::GetCapturedStderr();
  result.code = quit.value_or(-1);
  return result;
}

// A signed release of two files over one installed older version.
class TrustedUpdate : public ::testing::Test {
 public:  // the refusal table's cases spoil the set through it
  void SetUp() override {
    ASSERT_TRUE(world.StartServer());
    world.Register("Leafline");
    world.AddProgramFile("leafline.exe", "leafline version 2");
    world.AddProgramFile("brushes/ink.dll", "a new library");
    world.InstallOld(world.Installed() + "leafline.exe", "leafline version 1");
    MakeOpensslKeys(Secret(), Public());
    world.signingKey = Secret();
  }

  std::string Secret() const { return world.Root() + "secret.pem"; }
  std::string Public() const { return world.Root() + "public.pem"; }
  std::string List() const { return world.Served() + "leafline.tdu"; }

  void ExpectNothingInstalled() {
    EXPECT_EQ("leafline version 1", ReadWholeFile(world.Installed() + "leafline.exe"));
    EXPECT_FALSE(fs::exists(world.Installed() + "brushes"));
    EXPECT_TRUE(world.TempEntries().empty());
  }

  run_test::RunWorld world;
};

TEST_F(TrustedUpdate, SignedListInstallsWithTheKeyFromEnvironmentOrRegistry) {
  ASSERT_TRUE(world.BuildUpdateSet());
  for (const bool fromRegistry : {false, true}) {
    SCOPED_TRACE(fromRegistry ? "registry" : "environment");
    world.InstallOld(world.Installed() + "leafline.exe", "leafline version 1");
    std::optional<app_test::ScopedEnv> env;
    if (fromRegistry) {
      std::string body = app_test::InstalledProduct("Leafline", world.Installed());
      body.insert(body.find("\r\n") + 2, "\"UpdatePublicKey\"=\"" + Public() + "\"\r\n");
      WriteWholeFile(world.Root() + "machine.reg",
                     "Windows Registry Editor Version 5.00\r\n\r\n" + body);
    } else {
      env.emplace("TIDEWELL_PUBLIC_KEY", Public());
    }
    const RunResult run = RunClient("tidewell /leafline --quiet");
    EXPECT_EQ(0, run.code) << run.errors;
    EXPECT_EQ("leafline version 2", ReadWholeFile(world.Installed() + "leafline.exe"));
    EXPECT_EQ("a new library", ReadWholeFile(world.Installed() + "brushes/ink.dll"));
    EXPECT_EQ(std::string::npos, run.errors.find("not signed"));
    EXPECT_TRUE(world.TempEntries().empty());
  }
}

TEST_F(TrustedUpdate, UnsignedListStillInstallsWithOneWarning) {
  world.signingKey.clear();
  ASSERT_TRUE(world.BuildUpdateSet());
  const RunResult run = RunClient("tidewell /leafline --quiet");
  EXPECT_EQ(0, run.code);
  EXPECT_EQ("leafline version 2", ReadWholeFile(world.Installed() + "leafline.exe"));
  EXPECT_NE(std::string::npos, run.errors.find("update list of Leafline is not signed"));
}

// Each way a server (or whoever sits in between) may change what is sent. Nothing is
// installed and the temporary folder is left empty.
TEST_F(TrustedUpdate, RefusedListsAndFilesInstallNothing) {
  struct Case {
    const char* what;
    std::function<void(TrustedUpdate&)> spoil;
    int code;
    const char* reason;
  };
  const Case cases[] = {
      {"list changed by one byte",
       [](TrustedUpdate& t) {
         std::string bytes = ReadWholeFile(t.List());
         bytes.back() ^= 1;
         WriteWholeFile(t.List(), bytes);
       },
       1, "signature does not match"},
      {"signature from another key",
       [](TrustedUpdate& t) {
         const std::string other = t.world.Root() + "other";
         MakeOpensslKeys(other + ".pem", other + ".pub");
         ASSERT_TRUE(OpensslSign(other + ".pem", t.List(), t.List() + ".sig"));
       },
       1, "signature does not match"},
      {"signature missing", [](TrustedUpdate& t) { fs::remove(t.List() + ".sig"); }, 1,
       "signature is missing"},
      {"entry without hash",
       [](TrustedUpdate& t) {
         std::string text = Unpacked(t.List());
         const size_t at = text.find("SHA2561=");
         ASSERT_NE(std::string::npos, at);
         text.erase(at, text.find('\n', at) + 1 - at);
         Repack(t.List(), text);
         ASSERT_TRUE(OpensslSign(t.Secret(), t.List(), t.List() + ".sig"));
       },
       1, "has no valid SHA256"},
      {"file unlike its hash",
       [](TrustedUpdate& t) {
         Repack(t.world.Served() + "program/leafline.exe", "leafline version 3");
       },
       4, "does not match its listed SHA256"},
  };
  const app_test::ScopedEnv key("TIDEWELL_PUBLIC_KEY", Public());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(world.BuildUpdateSet());
    c.spoil(*this);
    const RunResult run = RunClient("tidewell /leafline --quiet");
    EXPECT_EQ(c.code, run.code);
    EXPECT_NE(std::string::npos, run.errors.find(c.reason)) << run.errors;
    ExpectNothingInstalled();
  }
}

TEST(SigningKeys, MadeKeysAndSignaturesAgreeWithOpenssl) {
  tidewell_test::ScratchFolder dir;
  std::string error;
  ASSERT_TRUE(tidewell::MakeSigningKeys(dir / "s.pem", dir / "p.pem", error)) << error;
  struct stat info {};
  ASSERT_EQ(0, ::stat((dir / "s.pem").c_str(), &info));
  EXPECT_EQ(0600u, info.st_mode & 0777);
  EXPECT_FALSE(tidewell::MakeSigningKeys(dir / "s.pem", dir / "q.pem", error));
  EXPECT_NE(std::string::npos, error.find("already exists"));
  EXPECT_FALSE(fs::exists(dir / "q.pem"));

  // Ours signs, openssl verifies; openssl signs, ours verifies.
  WriteWholeFile(dir / "data", "packed list bytes");
  ASSERT_TRUE(tidewell::SignFile(dir / "s.pem", dir / "data", dir / "data.sig", error)) << error;
  EXPECT_TRUE(Shell("/usr/bin/openssl pkeyutl -verify -rawin -pubin -inkey " + (dir / "p.pem") +
                    " -in " + (dir / "data") + " -sigfile " + (dir / "data.sig") + " >/dev/null"));
  ASSERT_TRUE(OpensslSign(dir / "s.pem", dir / "data", dir / "openssl.sig"));
  const std::string pem = ReadWholeFile(dir / "p.pem");
  EXPECT_EQ(std::nullopt,
            tidewell::CheckSignature("packed list bytes", ReadWholeFile(dir / "openssl.sig"), pem));
  EXPECT_NE(std::nullopt,
            tidewell::CheckSignature("packed list bytez", ReadWholeFile(dir / "openssl.sig"), pem));
  EXPECT_NE(std::nullopt, tidewell::CheckSignature("packed list bytes", "short", pem));
  EXPECT_NE(std::nullopt, tidewell::CheckSignature("x", std::string(64, 'x'), "not a key"));
}

TEST(FileHash, MatchesSha256sumAndListForm) {
  tidewell_test::ScratchFolder dir;
  WriteWholeFile(dir / "f", std::string(100000, 'a'));
  ASSERT_TRUE(Shell("/usr/bin/sha256sum " + (dir / "f") + " | cut -c1-64 > " + (dir / "sum")));
  EXPECT_EQ(ReadWholeFile(dir / "sum"), *tidewell::Sha256HexOfFile(dir / "f") + "\n");
  EXPECT_TRUE(tidewell::IsSha256Hex(tidewell::Sha256Hex("")));
  EXPECT_FALSE(tidewell::IsSha256Hex(std::string(64, 'A')));
  EXPECT_FALSE(tidewell::IsSha256Hex(std::string(63, 'a')));
}

}  // namespace
