#include "tidewell/packing/compressed_file.h"

#include <zlib.h>

#include <array>
#include <cstdio>

#include "tidewell/packing/stdio_file.h"

namespace tidewell {
namespace {

constexpr size_t kBufferSize = 4096;

// The state of one file-to-file operation: zlib's stream, both files, and the two
// buffers that shuttle data between them.
struct ZFileStream {
  z_stream stream{};  // allocation callbacks left empty: zlib's defaults
  StdioFile input;
  StdioFile output;
  int result = kZFileOk;
  std::array<Bytef, kBufferSize> inputBuffer{};
  std::array<Bytef, kBufferSize> outputBuffer{};

  // Opens the source first, so a missing source never creates the destination.
  bool Open(const std::string& source, const std::string& destination) {
    ResetOutput();
    return input.Open(source, "rb") && output.Open(destination, "wb");
  }

  void ResetOutput() {
    stream.next_out = outputBuffer.data();
    stream.avail_out = kBufferSize;
  }

  // Refills the input buffer once zlib has taken all of it. False at the end of the
  // source; a read error sets the result.
  bool Refill() {
    if (stream.avail_in != 0) return true;
    const size_t got = std::fread(inputBuffer.data(), 1, kBufferSize, input.get());
    if (std::ferror(input.get())) {
      result = kZFileIoError;
      return false;
    }
    if (got == 0) return false;
    stream.next_in = inputBuffer.data();
    stream.avail_in = static_cast<uInt>(got);
    return true;
  }

  // Writes what zlib produced since the last drain; returns the byte count written
  // (0 when the write fell short, which sets the result to -1).
  size_t Drain() {
    const size_t pending = kBufferSize - stream.avail_out;
    if (pending == 0) return 0;
    if (std::fwrite(outputBuffer.data(), 1, pending, output.get()) != pending) {
      result = kZFileIoError;
      return 0;
    }
    ResetOutput();
    return pending;
  }
};

enum class Direction { Compress, Uncompress };

int Step(ZFileStream& z, Direction direction, int flush) {
  return direction == Direction::Compress ? deflate(&z.stream, flush) : inflate(&z.stream, flush);
}

// True when the source still holds bytes after the stream has ended.
bool HasTrailingBytes(ZFileStream& z) {
  if (z.stream.avail_in != 0) return true;
  Bytef extra = 0;
  return std::fread(&extra, 1, 1, z.input.get()) != 0;
}

// Runs the main loop and the finishing loop shared by both directions.
void Pump(ZFileStream& z, Direction direction) {
  while (z.Refill()) {
    const int rc = Step(z, direction, Z_NO_FLUSH);
    z.Drain();
    if (z.result == kZFileOk) z.result = rc;
    if (z.result != kZFileOk) break;
  }
  // A failed read or write, or a zlib error, must not be covered up by the
  // finishing calls below.
  if (z.result != kZFileOk) return;

  size_t written = 0;
  do {
    z.result = Step(z, direction, Z_FINISH);
    written = z.Drain();
    // inflate reports a buffer error under Z_FINISH whenever the output buffer
    // fills before the end; with output produced that is progress, not failure
    // (only a call that produces nothing means the stream was cut short).
  } while (written > 0 &&
           (z.result == Z_OK || (direction == Direction::Uncompress && z.result == Z_BUF_ERROR)));
}

int Finish(ZFileStream& z, Direction direction) {
  int result = z.result;
  if (direction == Direction::Uncompress && result == Z_STREAM_END && HasTrailingBytes(z)) {
    result = Z_DATA_ERROR;  // the file must be one zlib stream and nothing after it
  }
  if (result == Z_STREAM_END) result = kZFileOk;
  if (result == Z_NEED_DICT) result = Z_DATA_ERROR;  // no dictionary is ever used
  if (result == kZFileOk && !z.output.Close()) result = kZFileIoError;
  return result;
}

}  // namespace

int CompressFile(const std::string& source, const std::string& destination, int level) {
  if (IsSameFile(source, destination)) return kZFileIoError;
  ZFileStream z;
  if (!z.Open(source, destination)) return kZFileIoError;
  const int init = deflateInit(&z.stream, level);
  if (init != Z_OK) return init;
  Pump(z, Direction::Compress);
  deflateEnd(&z.stream);
  return Finish(z, Direction::Compress);
}

int UncompressFile(const std::string& source, const std::string& destination) {
  if (IsSameFile(source, destination)) return kZFileIoError;
  ZFileStream z;
  if (!z.Open(source, destination)) return kZFileIoError;
  const int init = inflateInit(&z.stream);
  if (init != Z_OK) return init;
  Pump(z, Direction::Uncompress);
  inflateEnd(&z.stream);
  return Finish(z, Direction::Uncompress);
}

}  // namespace tidewell
