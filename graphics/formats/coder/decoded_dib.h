// The DIB that a decoder fills: a fresh block with a 40-byte header and colour
// table, and the hand-over of the finished block to its picture object.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

#include "Pics.h"
#include "graphics/core/dib_block.h"

namespace graphics {

// Coders read their files sharing them with other readers.
constexpr UINT kReadShared = CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary;

// A picture file opened once by name: the readers that stream through the C library
// or map the file take its descriptor instead of opening the name again.
class PictureFile : public CFile {
 public:
  struct StreamCloser {
    void operator()(std::FILE* stream) const { std::fclose(stream); }
  };
  using Stream = std::unique_ptr<std::FILE, StreamCloser>;

  int Descriptor() const { return m_fd; }
  // A buffered stream over a copy of the descriptor, reading from the file's start;
  // null when no descriptor or stream can be had. Throws CFileException when the
  // file cannot seek.
  Stream StreamFromStart();
};

// The common start of a coder object made for a named file: its type and read flag,
// and the name kept. False when there is no name (an object for a DIB or a stream).
bool StartNamedCoder(CPics& picture, short type, const char* name, int readFlag);

// The largest side a picture object can hold (its sizes are 16-bit signed members).
constexpr int kMaxPictureSide = 32767;

// A new, zero-filled DIB block: 40-byte header (width, height, planes 1, bits, the
// rest 0), colour table of 2^bits entries for depths up to 8 taken from rgb (red,
// green, blue triplets; `colors` of them, the rest black), rows zero. Null when the
// sizes are out of range or the memory cannot be had.
DibHandle AllocateDib(int width, int height, int bits, const BYTE* rgb, int colors);

// Hands a decoded DIB to the picture and runs the common loading step. On failure
// the block is freed and the picture is left without a DIB. Returns 1 or 0.
int AdoptDecodedDib(CPics& picture, DibHandle dib, short dither);

// Replaces the picture's palette buffer by a fresh 768-byte one (zeros, then the
// given triplets); false without memory, and then the old buffer stays.
bool ReplacePaletteBuffer(CPics& picture, const BYTE* rgb, int colors);

}  // namespace graphics
