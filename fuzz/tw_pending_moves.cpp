// The deferred-moves file: any bytes split into lines that join back to the same bytes,
// and a new line always lands directly under a [Rename] header.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tidewell/platform/pending_moves.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  std::string joined;
  for (const tidewell::PendingLine& line : tidewell::SplitPendingLines(text)) {
    if (line.text.empty()) std::abort();
    if (line.isMove && line.source.find('=') != std::string::npos) std::abort();
    joined += line.text;
  }
  if (joined != text) std::abort();

  const std::string_view added = "/opt/p/x=/tmp/_W_x\r\n";
  const std::string out = tidewell::InsertRenameLine(text, added);
  const size_t at = out.find(std::string(tidewell::kRenameHeader) + std::string(added));
  if (at == std::string::npos) std::abort();
  const size_t grown = out.size() - text.size();
  if (grown != added.size() && grown != added.size() + tidewell::kRenameHeader.size()) std::abort();
  return 0;
}
