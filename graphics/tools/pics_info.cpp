// pics info FILE: the picture's type, size, depth and colour count.
#include <cstdio>

#include "Pics.h"
#include "pics_commands.h"

namespace pics {

int RunInfo(const Arguments& args) {
  if (args.size() != 1) return Fail("usage: pics info FILE");
  const std::string& name = args[0];
  CPics* picture = CPics::OpenPicture(name.c_str(), 0, nullptr);
  if (picture == nullptr) {
    const short type = CPics::PictureType(name.c_str());
    if (type == PictureUnknown)
      return Fail("cannot read " + name + ": not a picture file or cannot be opened");
    return Fail("cannot read " + name + ": damaged or unsupported picture (type " +
                std::to_string(type) + ")");
  }
  std::printf("type=%d width=%d height=%d bpp=%d colors=%d\n", picture->m_type, picture->m_width,
              picture->m_height, picture->m_bitsPerPixel, picture->m_numColors);
  CPics::ClosePicture(picture);
  return 0;
}

}  // namespace pics
