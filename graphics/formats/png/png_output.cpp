#include "graphics/formats/png/png_output.h"

#include <csetjmp>

#include "graphics/platform/replacing_file.h"

namespace graphics {
namespace {

// Released here whatever way the writing step ends (libpng leaves it by a long jump).
struct WriteState {
  png_structp png = nullptr;
  png_infop info = nullptr;
  CFile* file = nullptr;
  ~WriteState() { png_destroy_write_struct(&png, &info); }
};

void QuietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void QuietWarning(png_structp, png_const_charp) {}

// A failed write of the file class becomes a libpng error (no exception crosses libpng).
void WriteToFile(png_structp png, png_bytep data, png_size_t length) {
  auto* file = static_cast<CFile*>(png_get_io_ptr(png));
  bool written = true;
  try {
    file->Write(data, static_cast<UINT>(length));
  } catch (const CFileException&) {
    written = false;
  }
  if (!written) png_error(png, "Write error");
}

void FlushFile(png_structp) {}

bool Encode(WriteState& s, const PngOutput& image) {
  if (setjmp(png_jmpbuf(s.png))) return false;
  png_set_write_fn(s.png, s.file, WriteToFile, FlushFile);
  png_set_IHDR(s.png, s.info, png_uint_32(image.width), png_uint_32(image.height), image.bitDepth,
               image.colorType, image.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (image.colorType == PNG_COLOR_TYPE_PALETTE)
    png_set_PLTE(s.png, s.info, image.palette.data(), int(image.palette.size()));
  if (image.hasTransparency) {
    if (image.colorType == PNG_COLOR_TYPE_PALETTE)
      png_set_tRNS(s.png, s.info, image.paletteAlpha.data(), int(image.paletteAlpha.size()),
                   nullptr);
    else
      png_set_tRNS(s.png, s.info, nullptr, 0, &image.transparentColor);
  }
  if (image.hasBackground) png_set_bKGD(s.png, s.info, &image.background);
  // Colour rows try three predictors rather than all five: nearly the same size, and
  // the row filter is most of the writing time.
  if (image.colorType != PNG_COLOR_TYPE_PALETTE)
    png_set_filter(s.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB | PNG_FILTER_UP | PNG_FILTER_PAETH);
  png_write_info(s.png, s.info);
  if (image.bgr) png_set_bgr(s.png);
  if (image.interlace) png_set_interlace_handling(s.png);
  png_write_image(s.png, const_cast<png_bytepp>(image.rows.data()));
  png_write_end(s.png, s.info);
  return true;
}

}  // namespace

bool WritePngOutput(const char* path, const PngOutput& image) {
  if (path == nullptr || image.width <= 0 || image.height <= 0 ||
      image.rows.size() != std::size_t(image.height))
    return false;
  ReplacingFile target;
  if (!target.Open(path)) return false;
  WriteState s;
  s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, QuietError, QuietWarning);
  if (s.png == nullptr) return false;
  s.info = png_create_info_struct(s.png);
  s.file = &target.File();
  if (s.info == nullptr) return false;
  if (!Encode(s, image)) return false;
  try {
    target.Commit();
  } catch (const CFileException&) {
    return false;
  }
  return true;
}

}  // namespace graphics
