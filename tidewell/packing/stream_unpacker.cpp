#include "tidewell/packing/stream_unpacker.h"

#include <nettle/arcfour.h>
#include <zlib.h>

#include <vector>

#include "tidewell/packing/packing_key.h"

namespace tidewell {

struct StreamUnpacker::State {
  bool decrypt;
  bool uncompress;
  arcfour_ctx rc4{};
  z_stream z{};
  bool zReady = false;
  bool ended = false;  // the zlib stream is complete
  std::vector<char> out = std::vector<char>(64 * 1024);

  ~State() {
    if (zReady) inflateEnd(&z);
  }
};

StreamUnpacker::StreamUnpacker(bool decrypt, bool uncompress, const std::string& passPhrase,
                               int64_t maxOutput, Sink sink)
    : state_(std::make_unique<State>()), maxOutput_(maxOutput), sink_(std::move(sink)) {
  state_->decrypt = decrypt;
  state_->uncompress = uncompress;
  if (decrypt) {
    const auto key = DerivePackingKey(passPhrase);
    arcfour_set_key(&state_->rc4, key.size(), key.data());
  }
  if (uncompress) state_->zReady = inflateInit(&state_->z) == Z_OK;
}

StreamUnpacker::~StreamUnpacker() = default;

StreamUnpacker::Result StreamUnpacker::Emit(const char* data, size_t size) {
  if (size == 0) return Result::Ok;
  if (maxOutput_ >= 0 && static_cast<int64_t>(size) > maxOutput_ - produced_)
    return Result::TooLarge;  // nothing beyond the bound is handed on
  produced_ += static_cast<int64_t>(size);
  return sink_(data, size) ? Result::Ok : Result::SinkFailed;
}

StreamUnpacker::Result StreamUnpacker::Feed(char* data, size_t size) {
  if (failure_ != Result::Ok) return failure_;
  State& s = *state_;
  if (s.decrypt) {
    arcfour_crypt(&s.rc4, size, reinterpret_cast<uint8_t*>(data),
                  reinterpret_cast<const uint8_t*>(data));
  }
  if (!s.uncompress) return failure_ = Emit(data, size);
  if (!s.zReady) return failure_ = Result::Corrupt;
  // The file must be one zlib stream and nothing after it.
  if (s.ended) return failure_ = size > 0 ? Result::Corrupt : Result::Ok;

  s.z.next_in = reinterpret_cast<Bytef*>(data);
  s.z.avail_in = static_cast<uInt>(size);
  while (s.z.avail_in > 0) {
    s.z.next_out = reinterpret_cast<Bytef*>(s.out.data());
    s.z.avail_out = static_cast<uInt>(s.out.size());
    const int rc = inflate(&s.z, Z_NO_FLUSH);
    const Result emitted = Emit(s.out.data(), s.out.size() - s.z.avail_out);
    if (emitted != Result::Ok) return failure_ = emitted;
    if (rc == Z_STREAM_END) {
      s.ended = true;
      if (s.z.avail_in > 0) return failure_ = Result::Corrupt;
      break;
    }
    // A dictionary is never used; anything else but progress is a broken stream.
    if (rc != Z_OK && rc != Z_BUF_ERROR) return failure_ = Result::Corrupt;
    if (rc == Z_BUF_ERROR && s.z.avail_out != 0) break;  // needs more input
  }
  return Result::Ok;
}

StreamUnpacker::Result StreamUnpacker::Finish() {
  if (failure_ != Result::Ok) return failure_;
  State& s = *state_;
  if (!s.uncompress) return Result::Ok;
  // Output still held inside zlib comes out with an empty input.
  while (s.zReady && !s.ended) {
    s.z.next_in = nullptr;
    s.z.avail_in = 0;
    s.z.next_out = reinterpret_cast<Bytef*>(s.out.data());
    s.z.avail_out = static_cast<uInt>(s.out.size());
    const int rc = inflate(&s.z, Z_NO_FLUSH);
    const size_t made = s.out.size() - s.z.avail_out;
    const Result emitted = Emit(s.out.data(), made);
    if (emitted != Result::Ok) return failure_ = emitted;
    if (rc == Z_STREAM_END) s.ended = true;
    if (rc != Z_STREAM_END && (rc != Z_OK || made == 0)) break;
  }
  return failure_ = s.ended ? Result::Ok : Result::Corrupt;
}

}  // namespace tidewell
