#include "graphics/formats/png/png_header.h"

#include <climits>
#include <csetjmp>

#include "graphics/formats/coder/decoded_dib.h"

namespace graphics {

void ReadPngFromFile(png_structp png, png_bytep out, png_size_t count) {
  auto* file = static_cast<CFile*>(png_get_io_ptr(png));
  bool whole = false;
  try {
    whole = count <= UINT_MAX && file->Read(out, static_cast<UINT>(count)) == count;
  } catch (const CFileException&) {
    // reported below: the long jump must not leave from inside the handler
  }
  if (!whole) png_error(png, "Read Error");
}

std::optional<PictureFacts> ReadPngFacts(CFile& file) {
  png_structp png = png_create_read_struct(
      PNG_LIBPNG_VER_STRING, nullptr, [](png_structp p, png_const_charp) { png_longjmp(p, 1); },
      [](png_structp, png_const_charp) {});
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  std::optional<PictureFacts> facts;
  if (info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
    png_set_read_fn(png, &file, ReadPngFromFile);
    png_set_user_limits(png, kMaxPictureSide, kMaxPictureSide);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info),
                      height = png_get_image_height(png, info);
    const int type = png_get_color_type(png, info);
    const bool colour = (type & PNG_COLOR_MASK_COLOR) && type != PNG_COLOR_TYPE_PALETTE;
    if (width >= 1 && height >= 1 && width <= unsigned(kMaxPictureSide) &&
        height <= unsigned(kMaxPictureSide))
      facts = PictureFacts{int(width), int(height), colour ? 24 : 8, colour ? 0 : 256};
  }
  png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
  // A file cut short fails to load: only one that ends with its empty IEND chunk is
  // described from its header.
  static const BYTE kIend[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
  if (facts && !FileEndsWith(file, kIend, sizeof kIend)) return std::nullopt;
  return facts;
}

}  // namespace graphics
