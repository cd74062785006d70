#include "graphics/formats/gif/gif_header.h"

#include <cstring>

#include "graphics/formats/coder/buffered_file.h"
#include "graphics/formats/coder/decoded_dib.h"

namespace graphics {

namespace {

constexpr int kExtensionIntroducer = 0x21;
constexpr int kImageSeparator = 0x2C;
constexpr int kTrailer = 0x3B;
constexpr int kGraphicControlLabel = 0xF9;
// Pictures up to this size are decoded however little data they have.
constexpr std::uint64_t kAlwaysReadPixels = std::uint64_t(1) << 22;

// A buffered reader that knows how far into the file it is.
class CountingReader {
 public:
  explicit CountingReader(CFile& file) : m_in(file) {}
  int Get() {
    const int c = m_in.Get();
    if (c >= 0) ++m_position;
    return c;
  }
  bool Read(BYTE* out, std::size_t count) {
    const std::size_t got = m_in.Read(out, count);
    m_position += got;
    return got == count;
  }
  bool Skip(std::size_t count) {
    const std::uint64_t got = m_in.Skip(count);
    m_position += got;
    return got == count;
  }
  std::optional<int> U16() {
    const int lo = Get(), hi = Get();
    if (lo < 0 || hi < 0) return std::nullopt;
    return lo | (hi << 8);
  }
  std::uint64_t position() const { return m_position; }

 private:
  BufferedReader m_in;
  std::uint64_t m_position = 0;
};

// Reads (or passes over) the data sub-blocks of an extension. False at the end of
// the file. A Graphic Control Extension's transparent index is taken from the first.
bool ReadExtension(CountingReader& in, GifImageInfo& info) {
  const int label = in.Get();
  if (label < 0) return false;
  bool first = true;
  for (;;) {
    const int length = in.Get();
    if (length < 0) return false;
    if (length == 0) return true;
    BYTE block[255];
    if (!in.Read(block, std::size_t(length))) return false;
    if (first && label == kGraphicControlLabel && length >= 4 && (block[0] & 1) != 0)
      info.transparentIndex = block[3];
    first = false;
  }
}

void FillGreyRamp(GifImageInfo& info) {
  const int n = info.colors();
  for (int i = 0; i < n; ++i) {
    const BYTE level = BYTE(n == 1 ? 0 : i * 255 / (n - 1));
    std::memset(&info.palette[std::size_t(3) * i], level, 3);
  }
}

}  // namespace

std::uint64_t MostPixelsFromCodeBytes(std::uint64_t dataBytes) {
  // Codes are at least 3 bits wide; a code never yields more than 4097 pixels.
  const std::uint64_t codes = dataBytes * 8 / 3 + 1;
  const std::uint64_t capped = codes * 4097;
  if (codes > 8192) return capped;
  const std::uint64_t triangle = codes * (codes + 3) / 2;
  return triangle < capped ? triangle : capped;
}

std::optional<GifImageInfo> ScanGifHeader(CFile& file) {
  file.SeekToBegin();
  const std::uint64_t fileLength = file.GetLength();
  CountingReader in(file);
  BYTE signature[6];
  if (!in.Read(signature, sizeof signature)) return std::nullopt;
  if (std::memcmp(signature, "GIF87a", 6) != 0 && std::memcmp(signature, "GIF89a", 6) != 0)
    return std::nullopt;

  GifImageInfo info;
  const auto screenWidth = in.U16(), screenHeight = in.U16();
  BYTE screen[3];
  if (!screenWidth || !screenHeight || !in.Read(screen, sizeof screen)) return std::nullopt;
  info.screenWidth = *screenWidth;
  info.screenHeight = *screenHeight;
  info.tableBits = (screen[0] & 7) + 1;
  if ((screen[0] & 0x80) != 0) {
    if (!in.Read(info.palette.data(), std::size_t(3) * info.colors())) return std::nullopt;
    info.hasColorTable = true;
  }

  for (;;) {
    const int introducer = in.Get();
    if (introducer < 0 || introducer == kTrailer) return std::nullopt;  // no image
    if (introducer == kExtensionIntroducer) {
      if (!ReadExtension(in, info)) return std::nullopt;
      continue;
    }
    if (introducer != kImageSeparator) continue;  // stray bytes are passed over

    const auto left = in.U16(), top = in.U16(), width = in.U16(), height = in.U16();
    const int flags = in.Get();
    if (!left || !top || !width || !height || flags < 0) return std::nullopt;
    info.width = *width;
    info.height = *height;
    info.interlaced = (flags & 0x40) != 0;
    if ((flags & 0x80) != 0) {
      info.tableBits = (flags & 7) + 1;
      info.palette.fill(0);
      if (!in.Read(info.palette.data(), std::size_t(3) * info.colors())) return std::nullopt;
      info.hasColorTable = true;
    }
    info.dataOffset = in.position();
    break;
  }

  if (info.width <= 0 || info.height <= 0 || info.width > kMaxPictureSide ||
      info.height > kMaxPictureSide)
    return std::nullopt;
  // A truncated file still gives the rows it holds, but a huge picture that its data
  // could never fill is refused before its memory is taken.
  const std::uint64_t dataBytes = fileLength > info.dataOffset ? fileLength - info.dataOffset : 0;
  const std::uint64_t pixels = std::uint64_t(info.width) * std::uint64_t(info.height);
  if (pixels > kAlwaysReadPixels && pixels > MostPixelsFromCodeBytes(dataBytes))
    return std::nullopt;
  if (!info.hasColorTable) FillGreyRamp(info);
  return info;
}

std::optional<PictureFacts> ReadGifFacts(CFile& file) {
  const auto info = ScanGifHeader(file);
  if (!info) return std::nullopt;
  const int bits = info->dibBits();
  return PictureFacts{info->width, info->height, bits, DibTableColors(bits)};
}

}  // namespace graphics
