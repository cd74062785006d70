#include "graphics/formats/coder/pic_type_recognizer.h"

#include <cstring>

namespace graphics {
namespace {

// Bytes beyond the data read as 0, so a short file never matches by accident.
struct Head {
  const BYTE* bytes;
  std::size_t size;
  BYTE At(std::size_t i) const { return i < size ? bytes[i] : 0; }
  DWORD U32(std::size_t i) const {
    return DWORD(At(i)) | DWORD(At(i + 1)) << 8 | DWORD(At(i + 2)) << 16 | DWORD(At(i + 3)) << 24;
  }
};

bool IsBmp(const Head& h) { return h.At(0) == 'B' && h.At(1) == 'M'; }
bool IsTga(const Head& h) {
  const BYTE kind = h.At(2), mapDepth = h.At(7), depth = h.At(16);
  const bool mapOk = mapDepth == 0 || mapDepth == 8 || mapDepth == 15 || mapDepth == 16 ||
                     mapDepth == 24 || mapDepth == 32;
  const bool depthOk = depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32;
  return h.size >= 18 && h.At(1) <= 1 && kind < 12 && !(kind >= 4 && kind <= 8) && mapOk && depthOk;
}
bool IsTiff(const Head& h) {
  return h.size >= 4 && (h.U32(0) == 0x002A4949 || h.U32(0) == 0x2A004D4D);
}
bool IsPict(const Head& h) {
  if (h.size <= 540) return false;
  const BYTE a = h.At(522), b = h.At(523), c = h.At(524), d = h.At(525);
  return (a == 0x00 && b == 0x11 && c == 0x02 && d == 0xFF) ||
         (a == 0x00 && b == 0x11 && c == 0x01) ||
         (a == 0x11 && b == 0x01 && c == 0x01 && d == 0x00);
}
bool IsJpeg(const Head& h) {
  return h.size >= 3 && h.At(0) == 0xFF && h.At(1) == 0xD8 && h.At(2) == 0xFF;
}
bool IsPng(const Head& h) {
  return h.size >= 4 && h.At(0) == 0x89 && h.At(1) == 'P' && h.At(2) == 'N' && h.At(3) == 'G';
}
bool IsEpsTiff(const Head& h) {
  return h.size >= 28 && (h.U32(0) == 0xC6D3D0C5 || h.U32(0) == 0xC5D0D3C6) && h.U32(20) != 0 &&
         h.U32(24) != 0;
}

struct TypeTest {
  DecoderFileType type;
  bool (*matches)(const Head&);
};

constexpr TypeTest kTests[] = {
    {DecoderFileType::kBmp, IsBmp},         {DecoderFileType::kTga, IsTga},
    {DecoderFileType::kTiff, IsTiff},       {DecoderFileType::kPict, IsPict},
    {DecoderFileType::kJpeg, IsJpeg},       {DecoderFileType::kPng, IsPng},
    {DecoderFileType::kEpsTiff, IsEpsTiff},
};

}  // namespace

DecoderFileType RecognizeType(const BYTE* bytes, std::size_t size) {
  const Head head{bytes, bytes != nullptr ? size : 0};
  for (const TypeTest& test : kTests)
    if (test.matches(head)) return test.type;
  return DecoderFileType::kUnknown;
}

}  // namespace graphics
