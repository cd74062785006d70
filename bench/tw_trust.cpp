// What the trust checks cost a whole update run: `tidewell /UNDEF --quiet` over 500 files
// of 20 KB from a local server, once with a signed list (signature, a hash per file
// checked as it is written) and once with the same set's list without hashes or key, as
// runs were before the checks. The signed run may take at most 5 % longer.
#include <signal.h>

#include <filesystem>
#include <random>
#include <sstream>
#include <thread>

#include "bench_harness.h"
#include "tidewell/app/string_table.h"
#include "tidewell/packing/pack_file.h"
#include "tidewell/trust/signature_check.h"
#include "tidewell/updateset/generator_model.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 500;
constexpr size_t kFileSize = 20000;
constexpr int kRounds = 3;

std::string ProgramBeside(const char* name) {
  return (fs::read_symlink("/proc/self/exe").parent_path() / name).string();
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The list as runs knew it before hashes: the same entries without their SHA256 lines.
bool WriteListWithoutHashes(const fs::path& packedList, const fs::path& out) {
  const std::string phrase = tidewell::LoadString(tidewell::kStrPassPhrase);
  std::string plain;
  if (!tidewell::UnpackFile(packedList.string(), true, true, phrase, plain)) return false;
  std::istringstream in(ReadAll(plain));
  fs::remove(plain);
  std::string text, line;
  while (std::getline(in, line))
    if (line.rfind("SHA256", 0) != 0) text += line + "\n";
  const fs::path stripped = out.string() + ".ini";
  std::ofstream(stripped, std::ios::binary) << text;
  std::string packed;
  if (!tidewell::PackFile(stripped.string(), true, true, phrase, packed)) return false;
  fs::rename(packed, out);
  fs::remove(stripped);
  return true;
}

}  // namespace

int main() {
  setenv("NO_PROXY", "127.0.0.1,localhost", 1);
  std::string pattern = (fs::temp_directory_path() / "twbench-trust-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return 1;
  const fs::path root(pattern);
  for (const char* name : {"release", "installed", "served", "windows", "tmp"})
    fs::create_directories(root / name);
  std::mt19937 random(7);
  for (int i = 0; i < kFiles; ++i) {
    std::string data(kFileSize, '\0');
    for (char& c : data) c = static_cast<char>('a' + random() % 26);
    std::ofstream(root / "release" / ("file" + std::to_string(i) + ".dat"), std::ios::binary)
        << data;
  }
  std::ofstream(root / "machine.reg") << "Windows Registry Editor Version 5.00\r\n\r\n";
  setenv("TIDEWELL_HKLM", (root / "machine.reg").c_str(), 1);
  setenv("TIDEWELL_WINDIR", (root / "windows").c_str(), 1);
  setenv("TMPDIR", (root / "tmp").c_str(), 1);
  unsetenv("TIDEWELL_PUBLIC_KEY");

  const int port = FreePort();
  const std::string base = "http://127.0.0.1:" + std::to_string(port) + "/";
  std::string error;
  const fs::path secret = root / "secret.pem", pub = root / "public.pem";
  bool ready = tidewell::MakeSigningKeys(secret.string(), pub.string(), error);

  tidewell::GeneratorModel model(tidewell::LoadString(tidewell::kStrPassPhrase));
  model.programFolder = (root / "release").string();
  model.listFile = (root / "served" / "signed.tdu").string();
  model.localUpdateSetFolder = (root / "served").string();
  model.remoteWebDirectory = base;
  model.signingKey = secret.string();
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(root / "release"))
    files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  model.AddFiles(files);
  // The packing notes of the generator are not what is measured.
  std::fflush(stderr);
  const int savedErr = dup(STDERR_FILENO);
  const int devNull = open("/dev/null", O_WRONLY);
  dup2(devNull, STDERR_FILENO);
  ready = ready && model.SaveUpdateSetLocally().Complete() &&
          WriteListWithoutHashes(root / "served" / "signed.tdu", root / "served" / "plain.tdu");
  dup2(savedErr, STDERR_FILENO);
  close(savedErr);
  close(devNull);
  if (!ready) {
    std::fprintf(stderr, "tw_trust: cannot build the update set: %s\n", error.c_str());
    return 1;
  }

  const pid_t server = Spawn({"/usr/bin/python3", "-m", "http.server", "--bind", "127.0.0.1",
                              "--directory", (root / "served").string(), std::to_string(port)});
  for (int i = 0; i < 200 && !Accepts(port); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

  const std::string program = ProgramBeside("tidewell");
  const auto run = [&](const char* list, bool withKey) {
    std::vector<std::string> argv = {program,
                                     "/UNDEF",
                                     "--quiet",
                                     "--list-url",
                                     base + list,
                                     "--target",
                                     (root / "installed").string(),
                                     "--product",
                                     "Leafline"};
    if (withKey) argv.insert(argv.end(), {"--public-key", pub.string()});
    const bool ok = RunToEnd(argv) == 0 && std::distance(fs::directory_iterator(root / "installed"),
                                                         fs::directory_iterator()) == kFiles;
    fs::remove_all(root / "installed");
    fs::create_directories(root / "installed");
    return ok;
  };
  double plain = 1e30, checked = 1e30;
  bool complete = true;
  // Alternating rounds share whatever else the machine is doing.
  for (int round = 0; round < kRounds && complete; ++round) {
    auto start = Clock::now();
    complete = run("plain.tdu", false);
    plain = std::min(plain, Seconds(start));
    start = Clock::now();
    complete = complete && run("signed.tdu", true);
    checked = std::min(checked, Seconds(start));
  }
  kill(server, SIGTERM);
  waitpid(server, nullptr, 0);
  fs::remove_all(root);

  std::printf("update run of %d files of %zu bytes: signed and hashed %.3f s, unsigned %.3f s%s\n",
              kFiles, kFileSize, checked, plain, complete ? "" : " (INCOMPLETE)");
  std::printf("BENCH name=tw_trust_checks_500_files ratio=%.3f target=1.05\n",
              complete ? checked / plain : 99.0);
  return complete ? 0 : 1;
}
