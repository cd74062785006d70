#include "graphics/formats/jpeg/jpeg_header.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <csetjmp>

#include "graphics/formats/coder/decoded_dib.h"

namespace graphics {
namespace {

struct HeaderError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

// libjpeg's source reading the open file a block at a time.
struct FileSource {
  jpeg_source_mgr manager;
  CFile* file;
  JOCTET buffer[4096];
};

FileSource& SourceOf(j_decompress_ptr info) { return *reinterpret_cast<FileSource*>(info->src); }

boolean FillBuffer(j_decompress_ptr info) {
  FileSource& source = SourceOf(info);
  UINT got = 0;
  try {
    got = source.file->Read(source.buffer, sizeof source.buffer);
  } catch (const CFileException&) {
    got = 0;
  }
  if (got == 0) {
    // An end of image marker in place of the missing data ends the header read.
    static const JOCTET kEnd[2] = {0xFF, JPEG_EOI};
    source.manager.next_input_byte = kEnd;
    source.manager.bytes_in_buffer = sizeof kEnd;
    return TRUE;
  }
  source.manager.next_input_byte = source.buffer;
  source.manager.bytes_in_buffer = got;
  return TRUE;
}

void SkipInput(j_decompress_ptr info, long bytes) {
  jpeg_source_mgr& manager = SourceOf(info).manager;
  while (bytes > long(manager.bytes_in_buffer)) {
    bytes -= long(manager.bytes_in_buffer);
    FillBuffer(info);
  }
  if (bytes > 0) {
    manager.next_input_byte += bytes;
    manager.bytes_in_buffer -= std::size_t(bytes);
  }
}

[[noreturn]] void LeaveHeader(j_common_ptr info) {
  std::longjmp(reinterpret_cast<HeaderError*>(info->err)->jump, 1);
}

}  // namespace

std::optional<PictureFacts> ReadJpegFacts(CFile& file) {
  jpeg_decompress_struct info{};
  HeaderError error{};
  FileSource source{};
  source.file = &file;
  source.manager.init_source = [](j_decompress_ptr) {};
  source.manager.fill_input_buffer = FillBuffer;
  source.manager.skip_input_data = SkipInput;
  source.manager.resync_to_restart = jpeg_resync_to_restart;
  source.manager.term_source = [](j_decompress_ptr) {};
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = LeaveHeader;
  error.manager.output_message = [](j_common_ptr) {};
  std::optional<PictureFacts> facts;
  if (setjmp(error.jump) == 0) {
    jpeg_create_decompress(&info);
    info.src = &source.manager;
    if (jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK) {
      const bool grey = info.jpeg_color_space == JCS_GRAYSCALE;
      const bool colour = info.jpeg_color_space == JCS_YCbCr || info.jpeg_color_space == JCS_RGB;
      if ((grey || colour) && info.image_width <= unsigned(kMaxPictureSide) &&
          info.image_height <= unsigned(kMaxPictureSide))
        facts = PictureFacts{int(info.image_width), int(info.image_height), grey ? 8 : 24,
                             grey ? 256 : 0};
    }
  }
  jpeg_destroy_decompress(&info);
  // A progressive file cut short fails to load: only one that ends with its end of
  // image marker is described from its header.
  static const BYTE kEndOfImage[2] = {0xFF, 0xD9};
  if (facts && !FileEndsWith(file, kEndOfImage, sizeof kEndOfImage)) return std::nullopt;
  return facts;
}

}  // namespace graphics
