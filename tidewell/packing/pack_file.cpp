#include "tidewell/packing/pack_file.h"

#include <unistd.h>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "tidewell/packing/compressed_file.h"
#include "tidewell/packing/encrypted_file.h"
#include "tidewell/platform/folders.h"

namespace tidewell {
namespace {

constexpr int kPackingLevel = 6;

// A "ucf" file in the temporary folder that is removed again unless handed over.
class StepOutput {
 public:
  StepOutput() : path_(MakeTempFileName(TempFolder(), "ucf")) {}
  ~StepOutput() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  StepOutput(const StepOutput&) = delete;
  StepOutput& operator=(const StepOutput&) = delete;

  const std::string& path() const { return path_; }
  std::string Release() { return std::exchange(path_, std::string()); }

 private:
  std::string path_;
};

using Step = std::function<bool(const std::string& input, const std::string& output)>;

// Runs the steps in order, each reading the previous step's output. The file made for
// a step is written in place (never deleted and made again, which would let another
// process take the name in between).
bool RunSteps(const std::string& source, const std::vector<Step>& steps, std::string& resultPath) {
  resultPath.clear();
  std::string input = source;
  std::unique_ptr<StepOutput> previous;
  for (const Step& step : steps) {
    auto output = std::make_unique<StepOutput>();
    if (output->path().empty() || !step(input, output->path())) return false;
    input = output->path();
    previous = std::move(output);  // the file before it is no longer needed
  }
  if (previous) resultPath = previous->Release();
  return true;
}

}  // namespace

bool PackFile(const std::string& source, bool compress, bool encrypt, const std::string& passPhrase,
              std::string& resultPath) {
  std::vector<Step> steps;
  if (compress) {
    steps.emplace_back([](const std::string& in, const std::string& out) {
      return CompressFile(in, out, kPackingLevel) == kZFileOk;
    });
  }
  if (encrypt) {
    steps.emplace_back([&passPhrase](const std::string& in, const std::string& out) {
      return EncryptFile(in, out, passPhrase) == 1;
    });
  }
  return RunSteps(source, steps, resultPath);
}

bool UnpackFile(const std::string& source, bool decrypt, bool uncompress,
                const std::string& passPhrase, std::string& resultPath) {
  std::vector<Step> steps;
  if (decrypt) {
    steps.emplace_back([&passPhrase](const std::string& in, const std::string& out) {
      return DecryptFile(in, out, passPhrase) == 1;
    });
  }
  if (uncompress) {
    steps.emplace_back([](const std::string& in, const std::string& out) {
      return UncompressFile(in, out) == kZFileOk;
    });
  }
  return RunSteps(source, steps, resultPath);
}

}  // namespace tidewell
