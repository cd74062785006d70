// Input and output files of the pics commands: "-" for the standard streams, and a
// message and exit status of their own for each way a file can fail.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "pics_commands.h"

namespace pics {

// A file in the temporary folder, removed when done.
class ScratchFile {
 public:
  ScratchFile() {
    const char* folder = std::getenv("TMPDIR");
    std::string pattern = std::string(folder && *folder ? folder : "/tmp") + "/pics.XXXXXX";
    m_fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (m_fd >= 0) m_name = pattern;
  }
  ~ScratchFile() {
    if (m_fd >= 0) ::close(m_fd);
    if (!m_name.empty()) ::unlink(m_name.c_str());
  }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  bool ok() const { return m_fd >= 0; }
  int fd() const { return m_fd; }
  const std::string& name() const { return m_name; }

 private:
  int m_fd = -1;
  std::string m_name;
};

namespace {

// Copies everything from one descriptor to another; false on a read or write error.
bool CopyAll(int from, int to) {
  char buffer[1 << 16];
  for (;;) {
    const ssize_t got = ::read(from, buffer, sizeof buffer);
    if (got == 0) return true;
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = ::write(to, buffer + done, size_t(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return false;
      done += put;
    }
  }
}

PicturePtr OpenNamed(const std::string& name, const std::string& shown, int* status, short dither,
                     const char* decoderOptions) {
  PicturePtr picture;
  std::string reason;
  try {
    picture.reset(CPics::OpenPicture(name.c_str(), dither, decoderOptions));
  } catch (const std::exception& error) {
    reason = std::string(": ") + error.what();
    while (!reason.empty() && reason.back() == '\n') reason.pop_back();
  }
  if (picture) return picture;
  // Why it failed is looked into only now, so that a good file is opened once; a pipe
  // without a writer must not hang the look.
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    *status = Fail("cannot read " + shown + ": " +
                       (errno == ENOENT ? std::string("no such file") : std::strerror(errno)),
                   kNoSuchFile);
    return nullptr;
  }
  struct stat info {};
  const bool folder = ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode);
  ::close(fd);
  if (folder) {
    *status = Fail("cannot read " + shown + ": it is a folder", kNoSuchFile);
    return nullptr;
  }
  const short type = CPics::PictureType(name.c_str());
  if (type == PictureUnknown)
    *status =
        Fail("cannot read " + shown + ": not a picture (no format that pics knows)", kNotPicture);
  else
    *status = Fail(
        "cannot read " + shown + ": damaged or unsupported " + TypeName(type) + " picture" + reason,
        kDamaged);
  return nullptr;
}

// Why writing name may have failed, as far as the file system tells.
std::string WriteFailure(const std::string& name, short type, const CPics& picture) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path path(name);
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  if (!fs::is_directory(folder, error)) return "no such folder";
  if (fs::is_directory(path, error)) return "it is a folder";
  const bool exists = fs::exists(path, error);
  if ((exists && ::access(name.c_str(), W_OK) != 0) ||
      (!exists && ::access(folder.c_str(), W_OK) != 0))
    return std::strerror(EACCES);
  if (type == PictureJPEG && picture.m_szEncoderOptions[0] != '\0')
    return "the JPEG encoder refused the options '" + std::string(picture.m_szEncoderOptions) + "'";
  if (type == PictureGIF && !CPics::GifImageSaveEnable) return "GIF saving is switched off";
  return "the picture cannot be written in this format";
}

}  // namespace

InputFile::InputFile(const std::string& name) : m_path(name), m_shown(name) {
  if (name != "-") return;
  // The readers want a file they can seek in; the picture is whole once opened.
  m_copy = std::make_unique<ScratchFile>();
  m_path = m_copy->name();
  m_shown = "standard input";
  m_ok = m_copy->ok() && CopyAll(STDIN_FILENO, m_copy->fd());
  if (!m_ok) Fail("cannot read standard input into a temporary file", kNoSuchFile);
}

InputFile::~InputFile() = default;

PicturePtr InputFile::Open(int* status, short dither, const char* decoderOptions) const {
  if (!m_ok) {
    *status = kNoSuchFile;
    return nullptr;
  }
  return OpenNamed(m_path, m_shown, status, dither, decoderOptions);
}

PicturePtr OpenInput(const std::string& name, int* status, short dither,
                     const char* decoderOptions) {
  return InputFile(name).Open(status, dither, decoderOptions);
}

std::optional<short> OutputType(const std::string& name, std::optional<short> given) {
  if (given) return given;
  if (name == "-") return std::nullopt;
  const short type = CPics::TypeFromExtension(name.c_str());
  if (type == PictureByExtension) return std::nullopt;
  return type;
}

int SaveOutput(CPics& picture, const std::string& name, short type) {
  if (name != "-") {
    int saved = 0;
    std::string reason;
    try {
      saved = picture.SavePictureAs(name.c_str(), type);
    } catch (const std::exception& error) {
      reason = error.what();
    }
    if (saved) return kOk;
    if (reason.empty()) reason = WriteFailure(name, type, picture);
    return Fail("cannot write " + name + ": " + reason, kCannotWrite);
  }
  // Written whole first, so a failed save puts nothing half-made into the pipe.
  ScratchFile copy;
  int saved = 0;
  try {
    saved = copy.ok() && picture.SavePictureAs(copy.name().c_str(), type);
  } catch (const std::exception&) {
  }
  if (!saved)
    return Fail("cannot write standard output: " + WriteFailure(copy.name(), type, picture),
                kCannotWrite);
  const int fd = ::open(copy.name().c_str(), O_RDONLY | O_CLOEXEC);
  const bool copied = fd >= 0 && CopyAll(fd, STDOUT_FILENO);
  if (fd >= 0) ::close(fd);
  if (!copied)
    return Fail("cannot write standard output: " + std::string(std::strerror(errno)), kCannotWrite);
  return kOk;
}

bool TakeOutputOptions(Arguments& args, OutputOptions* options, std::string* error) {
  for (std::size_t i = 0; i < args.size();) {
    const std::string& arg = args[i];
    if (arg != "--type" && arg != "--quality") {
      ++i;
      continue;
    }
    if (i + 1 >= args.size()) {
      *error = arg + " needs a value";
      return false;
    }
    const std::string& value = args[i + 1];
    if (arg == "--type") {
      options->type = ParseType(value);
      if (!options->type) {
        *error = "--type takes a format name (bmp gif pcx jpeg tga tiff xbm png) or 1 to 8, not '" +
                 value + "'";
        return false;
      }
    } else {
      int quality = -1;
      const auto [end, failed] =
          std::from_chars(value.data(), value.data() + value.size(), quality);
      if (failed != std::errc() || end != value.data() + value.size() || quality < 0 ||
          quality > 100) {
        *error = "--quality takes a whole number from 0 to 100, not '" + value + "'";
        return false;
      }
      options->quality = quality;
    }
    args.erase(args.begin() + std::ptrdiff_t(i), args.begin() + std::ptrdiff_t(i) + 2);
  }
  return true;
}

std::string EncoderOptions(const OutputOptions& options, const std::string& given) {
  if (!options.quality) return given;
  return "-quality " + std::to_string(*options.quality) + (given.empty() ? "" : " " + given);
}

}  // namespace pics
