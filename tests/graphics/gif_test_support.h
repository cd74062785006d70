// Helpers of the GIF tests: a Python GIF builder (with its own LZW coder, so that
// odd but valid code streams can be made) and a reader of the codes in a stream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace giftest {

// Python source defining make_gif(path, w, h, indexes, table, ...) for test scripts.
// Keyword options: code_size, initial_clear, clear_when_full, screen=(w, h),
// local_table, transparent, interlace, extensions (list of raw bytes), stray (bytes
// before the image descriptor), data (raw code bytes instead of coding the indexes).
std::string GifBuilderPython();

// The codes of the first image's data in a GIF file, read the way a decoder reads
// them (widths follow the decoder's table), up to and including the end code.
std::vector<int> ImageCodes(const std::vector<std::uint8_t>& file);

// Offset of the first image descriptor (the "," byte) of a GIF file, or 0.
std::size_t ImageDescriptorOffset(const std::vector<std::uint8_t>& file);

}  // namespace giftest
