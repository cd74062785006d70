// The trusted update channel end to end: signed lists, listed hashes and the refusals
// of whatever a server may not send. Keys and signatures are cross-checked with the
// openssl command.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTest>
#include <chrono>
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
#include "tidewell/transfer/internet_session.h"
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

// A certificate authority and a certificate for 127.0.0.1 it signed, as a company
// running its own update server would have them.
void MakeCertificates(const std::string& dir) {
  const std::string ssl = "/usr/bin/openssl ";
  const std::string ec = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes ";
  WriteWholeFile(dir + "san.ext", "subjectAltName=IP:127.0.0.1,DNS:localhost\n");
  ASSERT_TRUE(Shell(
      ssl + "req -x509" + ec + "-keyout " + dir + "ca.key -out " + dir +
      "ca.pem -days 2 -subj /CN=Corvane-Test-CA -addext basicConstraints=critical,CA:TRUE "
      "-addext keyUsage=critical,keyCertSign 2>/dev/null && " +
      ssl + "req" + ec + "-keyout " + dir + "server.key -out " + dir +
      "server.csr -subj /CN=127.0.0.1 2>/dev/null && " + ssl + "x509 -req -in " + dir +
      "server.csr -CA " + dir + "ca.pem -CAkey " + dir + "ca.key -CAcreateserial -days 2 -out " +
      dir + "server.pem -extfile " + dir + "san.ext 2>/dev/null"));
}

// A signed release of two files over one installed older version.
class TrustedUpdate : public ::testing::Test {
 public:  // the refusal table's cases spoil the set through it
  // Serves the set over HTTPS (trusting the test's authority) or plain HTTP.
  void Serve(bool tls) {
    std::unique_ptr<tidewell_test::ServerProcess> server;
    if (tls) {
      MakeCertificates(world.Root());
      server = tidewell_test::StartSetServer(world.Served(), world.Root() + "server.pem",
                                             world.Root() + "server.key");
      caFile_.emplace("TIDEWELL_CA_FILE", world.Root() + "ca.pem");
    } else {
      server = tidewell_test::StartSetServer(world.Served());
    }
    ASSERT_TRUE(server);
    const std::string base = std::string(tls ? "https" : "http") +
                             "://127.0.0.1:" + std::to_string(server->port()) + "/";
    ASSERT_TRUE(world.UseServer(std::move(server), base));
  }

  void SetUp() override {
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
  std::optional<app_test::ScopedEnv> caFile_;
};

TEST_F(TrustedUpdate, SignedListOverHttpsInstallsWithTheKeyFromEnvironmentOrRegistry) {
  Serve(true);
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
  // Without the company's authority the server's certificate is not trusted.
  caFile_.reset();
  world.InstallOld(world.Installed() + "leafline.exe", "leafline version 1");
  fs::remove_all(world.Installed() + "brushes");
  EXPECT_EQ(1, RunClient("tidewell /leafline --quiet").code);
  ExpectNothingInstalled();
}

TEST_F(TrustedUpdate, UnsignedListStillInstallsWithOneWarning) {
  Serve(false);
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
      {"decompression bomb",
       [](TrustedUpdate& t) {
         Repack(t.world.Served() + "program/leafline.exe", std::string(3 << 20, '\0'));
       },
       4, "unpacks to more than its listed size"},
      {"endless body",
       [](TrustedUpdate& t) {
         WriteWholeFile(t.world.Served() + "program/leafline.exe.endless", "");
       },
       4, ""},
      {"dripping server",
       [](TrustedUpdate& t) { WriteWholeFile(t.world.Served() + "program/leafline.exe.drip", ""); },
       4, ""},
      {"endless list", [](TrustedUpdate& t) { WriteWholeFile(t.List() + ".endless", ""); }, 1,
       "is larger than it may be"},
      {"redirect from https to http",
       [](TrustedUpdate& t) { WriteWholeFile(t.List() + ".redirect", "http://127.0.0.1:9/x.tdu"); },
       1, ""},
  };
  Serve(true);
  const app_test::ScopedEnv key("TIDEWELL_PUBLIC_KEY", Public());
  // A short stall window keeps the dripping server's case to seconds.
  const tidewell::InternetTimeouts saved = tidewell::DefaultInternetTimeouts();
  tidewell::InternetTimeouts quick = saved;
  quick.stallWindow = std::chrono::milliseconds(2000);
  tidewell::SetDefaultInternetTimeouts(quick);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(world.BuildUpdateSet());
    c.spoil(*this);
    const auto start = std::chrono::steady_clock::now();
    const RunResult run = RunClient("tidewell /leafline --quiet");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
    EXPECT_EQ(c.code, run.code);
    EXPECT_NE(std::string::npos, run.errors.find(c.reason)) << run.errors;
    ExpectNothingInstalled();
    for (const char* marker :
         {"program/leafline.exe.endless", "program/leafline.exe.drip", "leafline.tdu.redirect"})
      fs::remove(world.Served() + marker);
  }
  tidewell::SetDefaultInternetTimeouts(saved);
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
