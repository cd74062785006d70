// pics info FILE: the picture's type, size, depth and colour count, then its format's
// name and the file's size. JPEG and PNG files are described from their headers alone
// (decoding a large photograph only to print its size costs seconds and its whole DIB).
#include <sys/stat.h>

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
#include <png.h>

#include "pics_commands.h"

namespace pics {

namespace {

struct Facts {
  int type = 0, width = 0, height = 0, bpp = 0, colors = 0;
};

struct HeaderError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void LeaveHeader(j_common_ptr info) {
  std::longjmp(reinterpret_cast<HeaderError*>(info->err)->jump, 1);
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// What loading the JPEG file would give, from its header: the library decodes to a
// 24-bit picture, or to 8 bits with 256 grey entries for a grey file. Anything
// the decoder might refuse (other colour spaces, sides the picture cannot hold) is
// left to a full load.
bool JpegFacts(const std::string& name, Facts* facts) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(name.c_str(), "rb"));
  if (!file) return false;
  jpeg_decompress_struct info{};
  HeaderError error{};
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = LeaveHeader;
  error.manager.output_message = [](j_common_ptr) {};
  volatile bool known = false;
  if (setjmp(error.jump) == 0) {
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file.get());
    if (jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK) {
      const bool grey = info.jpeg_color_space == JCS_GRAYSCALE;
      const bool colour = info.jpeg_color_space == JCS_YCbCr || info.jpeg_color_space == JCS_RGB;
      if ((grey || colour) && info.image_width <= 32767 && info.image_height <= 32767) {
        *facts = Facts{PictureJPEG, int(info.image_width), int(info.image_height), grey ? 8 : 24,
                       grey ? 256 : 0};
        known = true;
      }
    }
  }
  jpeg_destroy_decompress(&info);
  return known;
}

// What loading the PNG file would give, from its header: the library decodes colour
// to 24 bits and everything else (grey, palette) to 8 bits with a 256-entry table.
bool PngFacts(const std::string& name, Facts* facts) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(name.c_str(), "rb"));
  if (!file) return false;
  png_structp png = png_create_read_struct(
      PNG_LIBPNG_VER_STRING, nullptr, [](png_structp p, png_const_charp) { png_longjmp(p, 1); },
      [](png_structp, png_const_charp) {});
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  volatile bool known = false;
  if (info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, file.get());
    png_set_user_limits(png, 32767, 32767);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info),
                      height = png_get_image_height(png, info);
    const int type = png_get_color_type(png, info);
    const bool colour = (type & PNG_COLOR_MASK_COLOR) && type != PNG_COLOR_TYPE_PALETTE;
    if (width >= 1 && height >= 1 && width <= 32767 && height <= 32767) {
      *facts = Facts{PicturePNG, int(width), int(height), colour ? 24 : 8, colour ? 0 : 256};
      known = true;
    }
  }
  png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
  return known;
}

// The formats described from their headers; the others are loaded.
bool HeaderFacts(const std::string& name, Facts* facts) {
  if (name == "-") return false;
  switch (CPics::PictureType(name.c_str())) {
    case PictureJPEG:
      return JpegFacts(name, facts);
    case PicturePNG:
      return PngFacts(name, facts);
    default:
      return false;
  }
}

}  // namespace

int RunInfo(const Arguments& args) {
  if (args.size() != 1) return Fail("usage: pics info FILE");
  const std::string& name = args[0];
  Facts facts;
  if (!HeaderFacts(name, &facts)) {
    int status = kOk;
    PicturePtr picture = OpenInput(name, &status);
    if (!picture) return status;
    facts = Facts{picture->m_type, picture->m_width, picture->m_height, picture->m_bitsPerPixel,
                  picture->m_numColors};
  }
  std::printf("type=%d width=%d height=%d bpp=%d colors=%d format=%s", facts.type, facts.width,
              facts.height, facts.bpp, facts.colors, TypeName(short(facts.type)).c_str());
  struct stat file {};
  if (name != "-" && ::stat(name.c_str(), &file) == 0)
    std::printf(" bytes=%lld", static_cast<long long>(file.st_size));
  std::printf("\n");
  return kOk;
}

}  // namespace pics
