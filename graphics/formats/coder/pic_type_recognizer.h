// Tells the decoder framework's file types apart by their first bytes: one ordered
// table of tests, the first match wins.
#pragma once

#include <cstddef>

#include "Pics.h"

namespace graphics {

enum class DecoderFileType { kUnknown, kBmp, kTga, kTiff, kPict, kJpeg, kPng, kEpsTiff };

// `bytes` are the source's bytes from the read pointer, `size` how many there are.
DecoderFileType RecognizeType(const BYTE* bytes, std::size_t size);

}  // namespace graphics
