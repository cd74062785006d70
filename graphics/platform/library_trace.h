// The library's one diagnostic switch. A library lives inside host programs whose
// standard streams are theirs, so it prints nothing unless asked: GRAPHICS_TRACE=1 in
// the environment (or SetLibraryTrace) sends diagnostic lines to standard error.
// Errors reach the host through results and exceptions, never through these lines.
#pragma once

namespace graphics {

bool LibraryTraceOn();
// Overrides the environment for the rest of the process.
void SetLibraryTrace(bool on);
// One diagnostic line (a line end is added) on standard error when the trace is on.
void LibraryTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace graphics
