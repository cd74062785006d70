// The library inside a host program: nothing on the host's standard output or error
// through loading, converting and saving every format (good files, damaged files and
// refused encoder options), unless the host turns the trace on.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "format_test_support.h"
#include "graphics/platform/library_trace.h"

using formatstest::PatternDib;
using picstest::PicturePtr;
using picstest::ReadBytes;
using picstest::ScratchDir;

namespace {

// Sends the process's descriptors 1 and 2 into a file until Take.
class StandardStreams {
 public:
  explicit StandardStreams(std::string path) : m_path(std::move(path)) {
    std::fflush(stdout), std::fflush(stderr);
    m_out = ::dup(1), m_err = ::dup(2);
    const int fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, 1), ::dup2(fd, 2);
    ::close(fd);
  }
  std::string Take() {
    std::fflush(stdout), std::fflush(stderr);
    ::dup2(m_out, 1), ::dup2(m_err, 2);
    ::close(m_out), ::close(m_err);
    const std::vector<std::uint8_t> bytes = ReadBytes(m_path);
    return std::string(bytes.begin(), bytes.end());
  }

 private:
  std::string m_path;
  int m_out = -1, m_err = -1;
};

// Saves the pattern in every format, then reads each back and converts it to every
// other; also damaged files and refused encoder options. Returns how many steps failed.
int EveryFormatThroughAndBack(const ScratchDir& dir) {
  int failures = 0;
  const std::string extensions[] = {".bmp", ".gif", ".pcx", ".jpg", ".tga", ".tif", ".xbm", ".png"};
  // Appended, not added: GCC 12 warns wrongly on "x" + std::string here.
  const auto file = [&](std::string stem, const std::string& extension) {
    stem.append(extension);
    return dir.Path(stem);
  };
  for (const int bits : {1, 8, 24}) {
    PicturePtr source(CPics::CreatePicture(PatternDib(17, 9, bits), PictureBMP, 0));
    for (short type = 1; type <= 8; ++type) {
      const std::string name = file(std::to_string(bits), extensions[type - 1]);
      if (!source || !source->SavePictureAs(name.c_str(), type)) ++failures;
      PicturePtr back(CPics::OpenPicture(name.c_str()));
      if (!back) {
        ++failures;
        continue;
      }
      for (short to = 1; to <= 8; ++to)
        if (!back->SavePictureAs(file("c", extensions[to - 1]).c_str(), to)) ++failures;
      std::vector<std::uint8_t> bytes = ReadBytes(name);
      bytes.resize(bytes.size() / 2);
      picstest::WriteBytes(dir.Path("cut"), bytes);
      PicturePtr cut(CPics::OpenPicture(dir.Path("cut").c_str()));  // may fail, must not talk
    }
    source->SetEncoderOptions("-bogus");
    if (source->SavePictureAs(dir.Path("bogus.jpg").c_str(), PictureJPEG)) ++failures;
  }
  return failures;
}

}  // namespace

TEST(SilentLibrary, HostStreamsStayEmptyThroughEveryFormat) {
  ScratchDir dir;
  StandardStreams streams(dir.Path("streams.txt"));
  const int failures = EveryFormatThroughAndBack(dir);
  const std::string said = streams.Take();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(said, "");
}

TEST(SilentLibrary, TraceSwitchSendsDiagnosticsToStandardError) {
  ScratchDir dir;
  PicturePtr source(CPics::CreatePicture(PatternDib(17, 9, 8), PictureBMP, 0));
  ASSERT_TRUE(source);
  graphics::SetLibraryTrace(true);
  StandardStreams streams(dir.Path("streams.txt"));
  source->SavePictureAs(dir.Path("p.png").c_str(), PicturePNG);
  source->SetEncoderOptions("-bogus");
  source->SavePictureAs(dir.Path("p.jpg").c_str(), PictureJPEG);
  const std::string said = streams.Take();
  graphics::SetLibraryTrace(false);
  EXPECT_NE(said.find("palette"), std::string::npos) << said;
  EXPECT_NE(said.find("-bogus"), std::string::npos) << said;
}
