#include "graphics/formats/tiff/tiff_messages.h"

#include <cstdarg>
#include <cstdio>
#include <tiffio.h>

#include "graphics/formats/coder/decoder_trace.h"

namespace graphics {
namespace {

std::string g_lastMessage;  // library-wide; the library is used from one thread at a time

std::string Format(const char* format, va_list args) {
  char text[1024];
  std::vsnprintf(text, sizeof text, format != nullptr ? format : "", args);
  return text;
}

void KeepWarning(const char*, const char* format, va_list args) {
  g_lastMessage = Format(format, args);
}

void TraceError(const char*, const char* format, va_list args) {
  g_lastMessage = Format(format, args);
  DecoderTrace(2, ("Warning in LIBTIFF: " + g_lastMessage + "\n").c_str());
}

void Discard(const char*, const char*, va_list) {}

}  // namespace

void InstallDecodingTiffHandlers() {
  g_lastMessage.clear();
  TIFFSetWarningHandler(KeepWarning);
  TIFFSetErrorHandler(TraceError);
}

void InstallSilentTiffHandlers() {
  TIFFSetWarningHandler(Discard);
  TIFFSetErrorHandler(Discard);
}

const std::string& LastTiffMessage() { return g_lastMessage; }

}  // namespace graphics
