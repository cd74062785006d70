#pragma once
// Unpacking block by block as a packed file arrives: RC4 keyed by the pass phrase, then
// one zlib stream, with the same refusals as UnpackFile (a stream cut short, corrupt or
// followed by more bytes) and a bound on what it may produce.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tidewell {

class StreamUnpacker {
 public:
  enum class Result { Ok, Corrupt, TooLarge, SinkFailed };
  // Receives the unpacked bytes; false stops unpacking (SinkFailed).
  using Sink = std::function<bool(const char* data, size_t size)>;

  // maxOutput < 0: no bound.
  StreamUnpacker(bool decrypt, bool uncompress, const std::string& passPhrase, int64_t maxOutput,
                 Sink sink);
  ~StreamUnpacker();
  StreamUnpacker(const StreamUnpacker&) = delete;
  StreamUnpacker& operator=(const StreamUnpacker&) = delete;

  // The next packed bytes (decrypted in place). After a failure every call fails alike.
  Result Feed(char* data, size_t size);
  // After the last block: Corrupt when the stream has not ended.
  Result Finish();

  int64_t produced() const { return produced_; }

 private:
  struct State;
  Result Emit(const char* data, size_t size);

  std::unique_ptr<State> state_;
  int64_t maxOutput_;
  Sink sink_;
  int64_t produced_ = 0;
  Result failure_ = Result::Ok;
};

}  // namespace tidewell
