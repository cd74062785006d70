#include "graphics/formats/coder/decoder_trace.h"

#include <cstdio>
#include <string>

namespace graphics {
namespace {

// Library-wide, unguarded: the library is called from one thread at a time.
int g_traceLevel = 0;
std::string g_traceFile;  // empty: no trace file

}  // namespace

void SetDecoderTrace(int level, const char* fileName) {
  g_traceLevel = level;
  g_traceFile.clear();
  if (fileName == nullptr || *fileName == '\0') return;
  g_traceFile = fileName;
  std::remove(fileName);
}

void DecoderTrace(int level, const char* text) {
  if (level > g_traceLevel || g_traceFile.empty() || text == nullptr) return;
  std::FILE* file = std::fopen(g_traceFile.c_str(), "a");
  if (file == nullptr) return;
  std::fputs(text, file);
  std::fclose(file);
}

void ClearDecoderTraceFile() { g_traceFile.clear(); }

}  // namespace graphics
