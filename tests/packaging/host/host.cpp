// A host program built against the installed development package: opens a picture and
// prints its size.
#include <Pics.h>

#include <cstdio>

int main(int argc, char** argv) {
  CPics* picture = argc == 2 ? CPics::OpenPicture(argv[1]) : nullptr;
  if (picture == nullptr) return 1;
  std::printf("%dx%d\n", picture->m_width, picture->m_height);
  CPics::ClosePicture(picture);
  return 0;
}
