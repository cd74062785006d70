// pics info FILE: the picture's type, size, depth and colour count, then its format's
// name and the file's size. Described from the file's header where its format's
// header reader can tell what a load would give (decoding a large photograph only to
// print its size costs seconds and its whole DIB); loaded otherwise.
#include <sys/stat.h>

#include <cstdio>

#include "graphics/formats/registry/picture_facts.h"
#include "pics_commands.h"

namespace pics {

namespace {

struct Facts {
  int type = 0;
  graphics::PictureFacts picture;
};

bool HeaderFacts(const std::string& name, Facts* facts) {
  CFile file;
  if (!file.Open(name.c_str(), CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary))
    return false;
  try {
    const short type = CPics::PictureType(&file);
    const auto read = graphics::ReadPictureFacts(type, file);
    if (!read) return false;
    *facts = Facts{type, *read};
    return true;
  } catch (const CFileException&) {
    return false;  // a load tells what is wrong
  }
}

}  // namespace

int RunInfo(const Arguments& args) {
  if (args.size() != 1) return Fail("usage: pics info FILE");
  const std::string& name = args[0];
  const InputFile input(name);
  if (!input.ok()) return kNoSuchFile;
  Facts facts;
  if (!HeaderFacts(input.path(), &facts)) {
    int status = kOk;
    PicturePtr picture = input.Open(&status);
    if (!picture) return status;
    facts =
        Facts{picture->m_type,
              {picture->m_width, picture->m_height, picture->m_bitsPerPixel, picture->m_numColors}};
  }
  const graphics::PictureFacts& p = facts.picture;
  std::printf("type=%d width=%d height=%d bpp=%d colors=%d format=%s", facts.type, p.width,
              p.height, p.bitsPerPixel, p.colors, TypeName(short(facts.type)).c_str());
  struct stat file {};
  if (name != "-" && ::stat(name.c_str(), &file) == 0)
    std::printf(" bytes=%lld", static_cast<long long>(file.st_size));
  std::printf("\n");
  return kOk;
}

}  // namespace pics
