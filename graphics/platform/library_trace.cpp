#include "graphics/platform/library_trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace graphics {
namespace {

int& Setting() {
  static int on = [] {
    const char* value = std::getenv("GRAPHICS_TRACE");
    return value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0 ? 1 : 0;
  }();
  return on;
}

}  // namespace

bool LibraryTraceOn() { return Setting() != 0; }

void SetLibraryTrace(bool on) { Setting() = on ? 1 : 0; }

void LibraryTrace(const char* format, ...) {
  if (!LibraryTraceOn()) return;
  char line[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  std::fprintf(stderr, "%s\n", line);
}

}  // namespace graphics
