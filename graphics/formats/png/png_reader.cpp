#include "graphics/formats/png/png_reader.h"

#include <png.h>

#include <climits>
#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "graphics/core/dib_block.h"
#include "graphics/formats/png/png_header.h"

namespace graphics {
namespace {

// The 16 standard colours that fill a palette picture's table beyond the file's own
// entries, repeated over the 256 entries (red, green, blue).
constexpr BYTE kStandardColors[16][3] = {
    {0x00, 0x00, 0x00}, {0x80, 0x00, 0x00}, {0x00, 0x80, 0x00}, {0x80, 0x80, 0x00},
    {0x00, 0x00, 0x80}, {0x80, 0x00, 0x80}, {0x00, 0x80, 0x80}, {0xC0, 0xC0, 0xC0},
    {0x80, 0x80, 0x80}, {0xFF, 0x00, 0x00}, {0x00, 0xFF, 0x00}, {0xFF, 0xFF, 0x00},
    {0x00, 0x00, 0xFF}, {0xFF, 0x00, 0xFF}, {0x00, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF}};

constexpr png_uint_32 kMaxSide = 32767;

// libpng's messages are not printed: an error ends the read with a clean refusal.
void QuietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void QuietWarning(png_structp, png_const_charp) {}

struct MemoryInput {
  const BYTE* data;
  std::size_t size;
  std::size_t position;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
  auto* input = static_cast<MemoryInput*>(png_get_io_ptr(png));
  if (count > input->size - input->position) png_error(png, "Read beyond end of data");
  std::memcpy(out, input->data + input->position, count);
  input->position += count;
}

// Everything the decoding step allocates, released here whatever way it ends: the
// step itself may be left by libpng's long jump and holds no objects of its own.
struct ReadState {
  png_structp png = nullptr;
  png_infop info = nullptr;
  DibHandle dib;
  BYTE* locked = nullptr;
  png_bytep* rows = nullptr;
  PngPicture result;

  ~ReadState() {
    std::free(rows);
    if (locked != nullptr) GlobalUnlock(dib.get());
    png_destroy_read_struct(&png, &info, nullptr);
  }
};

void SetTransparency(ReadState& s, int colorType, int bitDepth) {
  png_bytep alpha = nullptr;
  int count = 0;
  png_color_16p color = nullptr;
  if (!png_get_valid(s.png, s.info, PNG_INFO_tRNS) ||
      !png_get_tRNS(s.png, s.info, &alpha, &count, &color))
    return;
  const auto sample = [bitDepth](png_uint_16 v) {
    return BYTE(bitDepth == 16 ? v >> 8 : v & 0xFF);
  };
  if (colorType == PNG_COLOR_TYPE_PALETTE) {
    const int entries = int(s.result.palette.size() / 3);
    for (int i = 0; i < count && i < entries && alpha != nullptr; ++i) {
      if (alpha[i] != 0) continue;
      const BYTE* c = &s.result.palette[3 * i];
      s.result.transparent = true;
      s.result.transparentColor = RGB(c[0], c[1], c[2]);  // the last such entry wins
    }
  } else if (colorType == PNG_COLOR_TYPE_RGB && color != nullptr) {
    s.result.transparent = true;
    s.result.transparentColor = RGB(sample(color->red), sample(color->green), sample(color->blue));
  } else if (colorType == PNG_COLOR_TYPE_GRAY && color != nullptr) {
    const int levels = (1 << (bitDepth == 16 ? 8 : bitDepth)) - 1;
    const int index = bitDepth == 16 ? color->gray >> 8 : color->gray & levels;
    const BYTE level = BYTE(index * 255 / levels);
    s.result.transparent = true;
    s.result.transparentColor = RGB(level, level, level);
  }
}

// The decoding step. Returns false when libpng reports an error or the picture is
// out of range; the state's destructor releases what was made.
bool Decode(ReadState& s) {
  if (setjmp(png_jmpbuf(s.png))) return false;
  png_set_user_limits(s.png, kMaxSide, kMaxSide);
  png_read_info(s.png, s.info);
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0, interlace = 0;
  png_get_IHDR(s.png, s.info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
  if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) return false;

  if (bitDepth == 16) png_set_strip_16(s.png);
  if (colorType & PNG_COLOR_MASK_ALPHA) png_set_strip_alpha(s.png);
  if (bitDepth < 8) png_set_packing(s.png);
  const bool color = (colorType & PNG_COLOR_MASK_COLOR) && colorType != PNG_COLOR_TYPE_PALETTE;
  if (color) png_set_bgr(s.png);
  const int bits = color ? 24 : 8;

  if (colorType == PNG_COLOR_TYPE_PALETTE) {
    png_colorp plte = nullptr;
    int count = 0;
    if (png_get_PLTE(s.png, s.info, &plte, &count) && plte != nullptr) {
      s.result.hasPlte = true;
      for (int i = 0; i < count && i < 256; ++i) {
        s.result.palette.push_back(plte[i].red);
        s.result.palette.push_back(plte[i].green);
        s.result.palette.push_back(plte[i].blue);
      }
    }
  } else if (!color) {  // grey: a ramp over the sample's levels
    const int levels = 1 << (bitDepth >= 8 ? 8 : bitDepth);
    for (int i = 0; i < levels; ++i) {
      const BYTE level = BYTE(i * 255 / (levels - 1));
      s.result.palette.insert(s.result.palette.end(), {level, level, level});
    }
  }
  SetTransparency(s, colorType & ~PNG_COLOR_MASK_ALPHA, bitDepth);

  png_set_interlace_handling(s.png);
  png_read_update_info(s.png, s.info);
  const std::uint64_t stride = RowStride(width, bits);
  if (png_get_rowbytes(s.png, s.info) > stride) return false;
  const std::uint64_t bytes = DibPixelOffset(bits) + stride * height;
  if (bytes > SIZE_MAX) return false;
  s.dib = DibHandle::Allocate(bytes);
  s.locked = static_cast<BYTE*>(GlobalLock(s.dib.get()));
  s.rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * height));
  if (s.locked == nullptr || s.rows == nullptr) return false;

  WriteDibHeader(s.locked, LONG(width), LONG(height), bits);
  if (bits == 8) {
    BYTE* table = s.locked + kDibHeaderSize;
    const std::size_t own = s.result.palette.size() / 3;
    for (std::size_t i = 0; i < 256; ++i) {
      const BYTE* c = i < own ? &s.result.palette[3 * i] : kStandardColors[i % 16];
      table[4 * i] = c[2], table[4 * i + 1] = c[1], table[4 * i + 2] = c[0];
    }
  }
  BYTE* pixels = s.locked + DibPixelOffset(bits);
  for (png_uint_32 y = 0; y < height; ++y)
    s.rows[y] = pixels + std::size_t(height - 1 - y) * stride;
  png_read_image(s.png, s.rows);
  png_read_end(s.png, nullptr);
  return true;
}

// Reads through the given read function over io, or with libpng's own stdio reader
// when the function is null (io is then the FILE).
std::optional<PngPicture> Read(png_voidp io, png_rw_ptr readData) {
  ReadState s;
  s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, QuietError, QuietWarning);
  if (s.png == nullptr) return std::nullopt;
  s.info = png_create_info_struct(s.png);
  if (s.info == nullptr) return std::nullopt;
  png_set_read_fn(s.png, io, readData);
  if (!Decode(s)) return std::nullopt;
  GlobalUnlock(s.dib.get());
  s.locked = nullptr;
  PngPicture picture = std::move(s.result);
  picture.dib = std::move(s.dib);
  return picture;
}

}  // namespace

std::optional<PngPicture> ReadPngFile(std::FILE* file) {
  if (file == nullptr) return std::nullopt;
  return Read(file, nullptr);
}

std::optional<PngPicture> ReadPngFile(CFile& file) { return Read(&file, ReadPngFromFile); }

std::optional<PngPicture> ReadPngMemory(const BYTE* data, std::size_t size) {
  MemoryInput input{data, data != nullptr ? size : 0, 0};
  return Read(&input, ReadFromMemory);
}

}  // namespace graphics
