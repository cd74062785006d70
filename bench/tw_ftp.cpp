// Upload and fetch of an update set over FTP against curl sending and fetching the
// same (unpacked) files to and from the same local server in the same run. Our jobs
// also compress and encrypt (or decrypt and uncompress) every byte, which curl does
// not (about 50 MB of zlib and RC4 work each way), so their figures may reach 4; the
// upload without packing measures the transfer alone and stays within twice curl.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tidewell/transfer/ftp_job.h"
#include "bench_harness.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 200;
constexpr size_t kFileSize = 256 * 1024;
constexpr int kRounds = 3;
constexpr const char* kUser = "bench";
constexpr const char* kPassword = "bench";

// Half text lines, half noise: the shape of a program folder's files.
void WriteProgramFile(const fs::path& path, std::mt19937& random) {
  std::string data;
  data.reserve(kFileSize);
  while (data.size() < kFileSize / 2)
    data += "Leafline drawing module, layer entry " + std::to_string(random() % 997) + "\r\n";
  data.resize(kFileSize / 2);
  while (data.size() < kFileSize) data.push_back(static_cast<char>(random()));
  std::ofstream(path, std::ios::binary)
      .write(data.data(), static_cast<std::streamsize>(data.size()));
}

tidewell::FtpJob Job(int port, const std::string& initialDir) {
  tidewell::FtpJob job;
  job.host = "127.0.0.1:" + std::to_string(port);
  job.user = kUser;
  job.password = kPassword;
  job.initialDir = initialDir;
  job.askOverwrite = false;
  job.showProgress = false;
  job.passPhrase = "bench phrase";
  job.showMessage = [](const std::string& text) {
    std::fprintf(stderr, "job report: %s\n", text.c_str());
  };
  return job;
}

bool SameFiles(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  for (size_t i = 0; i < a.size(); ++i) {
    std::ifstream x(a[i], std::ios::binary), y(b[i], std::ios::binary);
    if (std::string(std::istreambuf_iterator<char>(x), {}) !=
        std::string(std::istreambuf_iterator<char>(y), {}))
      return false;
  }
  return true;
}

}  // namespace

// Packing prints a line per file on standard output; that is not what is measured.
class QuietStdout {
 public:
  QuietStdout() {
    std::fflush(stdout);
    saved_ = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    close(null);
  }
  ~QuietStdout() {
    std::fflush(stdout);
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
  }

 private:
  int saved_;
};

int main() {
  std::string pattern = (fs::temp_directory_path() / "twbench-ftp-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return 1;
  const fs::path root = pattern;
  const fs::path server = root / "server", program = root / "program", back = root / "back";
  fs::create_directories(server / "ours");  // the initial folder exists; the levels below it do not
  std::mt19937 random(11);
  std::vector<std::string> locals, remotes, fetched, curlFetched;
  for (int i = 0; i < kFiles; ++i) {
    const std::string name = "sub" + std::to_string(i % 4) + "/file" + std::to_string(i) + ".bin";
    fs::create_directories(program / ("sub" + std::to_string(i % 4)));
    WriteProgramFile(program / name, random);
    locals.push_back((program / name).string());
    remotes.push_back("program/" + name);
    fetched.push_back((back / "ours" / name).string());
    curlFetched.push_back((back / "curl" / name).string());
    fs::create_directories(fs::path(fetched.back()).parent_path());
    fs::create_directories(fs::path(curlFetched.back()).parent_path());
  }

  const int port = FreePort();
  const pid_t serverPid =
      Spawn({"/usr/bin/python3", "-m", "pyftpdlib", "-i", "127.0.0.1", "-p", std::to_string(port),
             "-w", "-d", server.string(), "-u", kUser, "-P", kPassword});
  for (int i = 0; i < 300 && !Accepts(port); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(30));

  double oursUp = 1e9, oursDown = 1e9, curlUp = 1e9, curlDown = 1e9, plainUp = 1e9;
  bool ok = true;
  const std::string site = "ftp://127.0.0.1:" + std::to_string(port);
  for (int round = 0; round < kRounds; ++round) {
    QuietStdout quiet;
    auto up = Job(port, "ours");
    up.localPaths = locals;
    up.remotePaths = remotes;
    auto start = Clock::now();
    auto upload = tidewell::StartFtpUpload(up);
    upload->Wait(std::chrono::minutes(10));
    oursUp = std::min(oursUp, Seconds(start));
    ok = ok && upload->result().ok();

    // The transfer alone: the same upload without packing.
    auto plain = Job(port, "ours");
    plain.localPaths = locals;
    plain.remotePaths = remotes;
    for (auto& remote : plain.remotePaths) remote = "plain/" + remote;
    plain.packFirst = plain.packSecond = false;
    start = Clock::now();
    auto plainUpload = tidewell::StartFtpUpload(plain);
    plainUpload->Wait(std::chrono::minutes(10));
    plainUp = std::min(plainUp, Seconds(start));
    ok = ok && plainUpload->result().ok();

    auto down = Job(port, "ours");
    down.localPaths = fetched;
    down.remotePaths = remotes;
    start = Clock::now();
    auto fetch = tidewell::StartFtpDownload(down);
    fetch->Wait(std::chrono::minutes(10));
    oursDown = std::min(oursDown, Seconds(start));
    ok = ok && fetch->result().ok() && SameFiles(locals, fetched);

    // curl: one invocation sends every file over one connection, creating folders.
    const fs::path upConfig = root / "up.cfg", downConfig = root / "down.cfg";
    {
      std::ofstream outUp(upConfig), outDown(downConfig);
      for (size_t i = 0; i < locals.size(); ++i) {
        outUp << "upload-file = \"" << locals[i] << "\"\nurl = \"" << site << "/curl/" << remotes[i]
              << "\"\n";
        outDown << "url = \"" << site << "/curl/" << remotes[i] << "\"\noutput = \""
                << curlFetched[i] << "\"\n";
      }
    }
    const std::string login = std::string(kUser) + ":" + kPassword;
    start = Clock::now();
    const int upStatus = RunToEnd(
        {"/usr/bin/curl", "-s", "--ftp-create-dirs", "-u", login, "-K", upConfig.string()});
    curlUp = std::min(curlUp, Seconds(start));
    start = Clock::now();
    const int downStatus =
        RunToEnd({"/usr/bin/curl", "-s", "-u", login, "-K", downConfig.string()});
    curlDown = std::min(curlDown, Seconds(start));
    ok = ok && upStatus == 0 && downStatus == 0 && SameFiles(locals, curlFetched);
  }
  kill(serverPid, SIGTERM);
  waitpid(serverPid, nullptr, 0);
  std::error_code ec;
  fs::remove_all(root, ec);

  std::printf(
      "FTP update set of %d files of %zu bytes (best of %d): upload with packing %.3f s, curl "
      "upload %.3f s; "
      "fetch with unpacking %.3f s, curl fetch %.3f s%s\n",
      kFiles, kFileSize, kRounds, oursUp, curlUp, oursDown, curlDown, ok ? "" : " (INCOMPLETE)");
  std::printf("BENCH name=tw_ftp_upload ratio=%.3f target=4\n", ok ? oursUp / curlUp : 99.0);
  std::printf("upload without packing %.3f s\n", plainUp);
  std::printf("BENCH name=tw_ftp_upload_unpacked ratio=%.3f target=2\n",
              ok ? plainUp / curlUp : 99.0);
  std::printf("BENCH name=tw_ftp_fetch ratio=%.3f target=4\n", ok ? oursDown / curlDown : 99.0);
  return ok ? 0 : 1;
}
