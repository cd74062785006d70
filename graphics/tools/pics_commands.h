// The commands of the pics tool and what they share: format and filter names, the
// input and output files (with "-" for the standard streams), exit statuses and the
// progress bar. Each command takes the arguments after its own name and returns the
// exit status; messages go to standard error.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Pics.h"

namespace pics {

using Arguments = std::vector<std::string>;

int RunInfo(const Arguments& args);
int RunConvert(const Arguments& args);
int RunApply(const Arguments& args);
int RunTrace(const Arguments& args);
int RunDraw(const Arguments& args);
int RunFormats(const Arguments& args);
int RunHelp(const Arguments& args);

// Exit statuses: each fault a script may want to tell apart has its own.
enum Exit : int {
  kOk = 0,
  kUsage = 1,        // bad arguments, or an operation that failed
  kNoSuchFile = 2,   // the input does not exist or cannot be opened
  kNotPicture = 3,   // the input is no picture format we know
  kDamaged = 4,      // a known format that does not decode
  kCannotWrite = 5,  // the output cannot be written
};

// Prints "pics: <message>" on standard error and returns status.
int Fail(const std::string& message, int status = kUsage);

struct PictureCloser {
  void operator()(CPics* picture) const { CPics::ClosePicture(picture); }
};
using PicturePtr = std::unique_ptr<CPics, PictureCloser>;

// --- Names -------------------------------------------------------------------------------
struct FormatName {
  short type;
  const char* name;        // what --type and format= use
  const char* aliases;     // other accepted names, space separated
  const char* extensions;  // as the library matches them
};
const std::vector<FormatName>& Formats();
// A type from a name (any case) or a number 1..8; nullopt otherwise.
std::optional<short> ParseType(const std::string& text);
// "PNG" and so on; "unknown" for anything else.
std::string TypeName(short type);
// A built-in filter kernel from its name or index 1..11; nullopt otherwise.
std::optional<int> ParseKernel(const std::string& text);
// The names of the built-in kernels, index order, for help texts.
std::string KernelNames();

// --- Files -------------------------------------------------------------------------------
class ScratchFile;  // a file in the temporary folder, removed when done

// The file an input's bytes are in: the name itself, or for "-" standard input copied
// whole into a scratch file (after a message when that fails: ok() is false).
class InputFile {
 public:
  explicit InputFile(const std::string& name);
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  bool ok() const { return m_ok; }
  const std::string& path() const { return m_path; }
  // The picture in it; null after a message whose exit status goes to *status.
  PicturePtr Open(int* status, short dither = 0, const char* decoderOptions = nullptr) const;

 private:
  std::unique_ptr<ScratchFile> m_copy;
  std::string m_path, m_shown;
  bool m_ok = true;
};

// The picture in name ("-": standard input); null after a message whose exit status
// goes to *status.
PicturePtr OpenInput(const std::string& name, int* status, short dither = 0,
                     const char* decoderOptions = nullptr);
// The output type: the one given, else from the extension; "-" needs a given one.
std::optional<short> OutputType(const std::string& name, std::optional<short> given);
// Saves the picture as type into name ("-": standard output); an exit status.
int SaveOutput(CPics& picture, const std::string& name, short type);

// Reads "--type T" and "--quality N" out of args (anywhere); false after a message.
struct OutputOptions {
  std::optional<short> type;
  std::optional<int> quality;
};
bool TakeOutputOptions(Arguments& args, OutputOptions* options, std::string* error);
// The encoder options with the quality (JPEG) in front.
std::string EncoderOptions(const OutputOptions& options, const std::string& given);

// --- Progress ----------------------------------------------------------------------------
// While alive, long operations draw a one-line bar on standard error when it is a
// terminal; nothing otherwise.
class ProgressBar : public CWnd {
 public:
  explicit ProgressBar(std::string label);
  ~ProgressBar() override;
  LRESULT SendMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  std::string m_label;
  bool m_shown = false;
  int m_last = -1;
};

}  // namespace pics
