// Where a save lands: through a symbolic link the link stays and its target gets the
// picture; a FIFO or a device is written into and stays what it was.
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <thread>

#include "format_test_support.h"

using formatstest::PatternDib;
using picstest::PicturePtr;
using picstest::ReadBytes;
using picstest::ScratchDir;

namespace {

const short kTypes[] = {PictureBMP, PictureGIF,  PicturePCX, PictureJPEG,
                        PictureTGA, PictureTIFF, PictureXBM, PicturePNG};

class SaveTarget : public ::testing::Test {
 protected:
  void SetUp() override {
    picture.reset(CPics::CreatePicture(PatternDib(11, 7, 8), PictureBMP, 0));
    ASSERT_TRUE(picture);
  }
  // The bytes a plain save of the type writes.
  std::vector<std::uint8_t> Plain(short type) {
    const std::string name = dir.Path("plain" + std::to_string(type));
    EXPECT_EQ(picture->SavePictureAs(name.c_str(), type), 1);
    return ReadBytes(name);
  }
  ScratchDir dir;
  PicturePtr picture;
};

bool IsLink(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

}  // namespace

TEST_F(SaveTarget, ThroughASymbolicLinkTheTargetChangesAndTheLinkStays) {
  std::filesystem::create_directories(dir.Path("pictures/sub"));
  for (const short type : kTypes) {
    SCOPED_TRACE(type);
    const std::string target = dir.Path("pictures/target"), link = dir.Path("pictures/sub/link");
    picstest::WriteBytes(target, {'o', 'l', 'd'});
    std::filesystem::remove(link);
    std::filesystem::create_symlink("../target", link);  // relative to the link's folder
    ::chmod(target.c_str(), 0640);
    ASSERT_EQ(picture->SavePictureAs(link.c_str(), type), 1);
    EXPECT_TRUE(IsLink(link));
    EXPECT_EQ(ReadBytes(target), Plain(type));
    EXPECT_EQ(std::filesystem::status(target).permissions(),
              std::filesystem::perms(0640));  // the replaced file's bits
  }
  // A dangling link gets its target made.
  std::filesystem::create_symlink(dir.Path("made.png"), dir.Path("dangling.png"));
  ASSERT_EQ(picture->SavePictureAs(dir.Path("dangling.png").c_str(), PicturePNG), 1);
  EXPECT_TRUE(IsLink(dir.Path("dangling.png")));
  EXPECT_EQ(ReadBytes(dir.Path("made.png")), Plain(PicturePNG));
}

TEST_F(SaveTarget, AFifoIsWrittenIntoAndStaysAFifo) {
  const std::string fifo = dir.Path("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const short type : kTypes) {
    SCOPED_TRACE(type);
    std::vector<std::uint8_t> received;
    std::thread reader([&] { received = ReadBytes(fifo); });
    const int saved = picture->SavePictureAs(fifo.c_str(), type);
    reader.join();
    EXPECT_EQ(saved, 1);
    EXPECT_EQ(received, Plain(type));
    EXPECT_EQ(std::filesystem::status(fifo).type(), std::filesystem::file_type::fifo);
  }
}

TEST_F(SaveTarget, ANullDeviceTakesEveryFormatAndStaysADevice) {
  // As root a rename would replace the device node, so root tests on a node of its own.
  std::string device = "/dev/null";
  if (::geteuid() == 0) {
    device = dir.Path("null");
    if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
      GTEST_SKIP() << "cannot make a device node here";
  }
  for (const short type : kTypes) {
    EXPECT_EQ(picture->SavePictureAs(device.c_str(), type), 1) << type;
    EXPECT_EQ(std::filesystem::status(device).type(), std::filesystem::file_type::character);
  }
  const auto entries = std::distance(std::filesystem::directory_iterator(dir.path()),
                                     std::filesystem::directory_iterator());
  EXPECT_EQ(entries, device == "/dev/null" ? 0 : 1) << "no temporary file left behind";
}
