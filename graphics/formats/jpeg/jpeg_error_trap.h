// Keeps a fatal error of the JPEG library inside the conversion that hit it: the
// library's error exit jumps back to the guarded call, which then reports failure,
// instead of ending the process.
#pragma once

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace graphics {

struct JpegErrorTrap {
  jpeg_error_mgr manager;  // first, so the library's pointer is also ours
  std::jmp_buf jump;
  const char* program = "";
};

// Fills trap.manager with the library's defaults, with messages going to standard
// error under the program's name and fatal errors jumping back to RunTrapped.
jpeg_error_mgr* InstallErrorTrap(JpegErrorTrap& trap, const char* program);

// Runs body(context); false when the JPEG library raised a fatal error on the way.
// The body must keep everything with a destructor in the context, not on its own
// stack, since a fatal error leaves its frame without unwinding it.
bool RunTrapped(JpegErrorTrap& trap, void (*body)(void* context), void* context);

}  // namespace graphics
