#include "tidewell/transfer/transfer_log.h"

#include "tidewell/platform/clock.h"

#include <atomic>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <optional>

#include "tidewell/transfer/internet_exception.h"
#include "tidewell/transfer/url_parts.h"

namespace tidewell {
namespace {

std::mutex& StreamMutex() {
  static std::mutex mutex;
  return mutex;
}

std::atomic<std::FILE*>& TraceStream() {
  static std::atomic<std::FILE*> stream{stderr};
  return stream;
}

// The empty line, the text and its line end leave in one write, so that a reader of
// the stream never sees a line cut in two.
void WriteLine(const std::string& text) {
  std::string line;
  line.reserve(text.size() + 2);
  line += '\n';
  line += text;
  line += '\n';
  std::lock_guard<std::mutex> guard(StreamMutex());
  std::FILE* stream = TraceStream().load();
  std::fwrite(line.data(), 1, line.size(), stream);
  std::fflush(stream);
}

void WriteError(const std::string& line) {
  std::lock_guard<std::mutex> guard(StreamMutex());
  std::fflush(TraceStream().load());  // what was traced before stays before the error
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
}

}  // namespace

std::string FormatLogTime(int64_t time) { return FormatLocalTime(time, "%m/%d/%Y %H:%M:%S"); }

void LogModified(const std::string& url, int64_t lastModified) {
  WriteLine("---------  " + url + "  modified " + FormatLogTime(lastModified));
}

void LogBegin(const std::string& url) { WriteLine("---------  BEGIN  " + url + "  ---------"); }

void LogSwitch(const std::string& url) { WriteLine("---------  " + url + "  ---------"); }

void LogEnd(const std::string& url) { WriteLine("---------  END  " + url + "  ---------"); }

void LogCancelled(const std::string& url) {
  WriteLine("---------  CANCELLED  " + url + "  ---------");
}

void LogWorkerError(int index) {
  WriteLine("---------  ERROR  " + std::to_string(index) + "  ---------");
}

void LogWorkerCancelled(int index) {
  WriteLine("---------  CANCELLED  " + std::to_string(index) + "  ---------");
}

void LogRefused(const std::string& url, const std::string& reason) {
  WriteError("tidewell: " + url + " " + reason + "; not fetched\n");
}

void LogServerAnswer(const std::string& url, int status) {
  WriteError("tidewell: server answered " + std::to_string(status) + " for " + url + "\n");
}

void LogFetchFailure(const std::string& url, int internetError, const std::string& detail) {
  const std::optional<UrlParts> parts = ParseUrl(url);
  const std::string server =
      parts ? parts->serverName + ":" + std::to_string(parts->port) : std::string("the server");
  std::string text;
  switch (internetError) {
    case kInternetCannotConnect:
      text = "cannot connect to " + server + ": connection refused";
      break;
    case kInternetTimeout:
      text = "no answer from " + server + " in time";
      break;
    case kInternetNameNotResolved:
      text = "cannot connect to " + server + ": unknown host";
      break;
    default:
      text = "cannot fetch from " + server + ": " + detail;
  }
  WriteError("tidewell: " + text + " (" + url + ")\n");
}

void SetTraceOutput(std::FILE* stream) { TraceStream().store(stream); }

void LogHttpOnlyError() {
  WriteError("Error: can only use URLs beginning with http:// or https://\n");
}

}  // namespace tidewell
