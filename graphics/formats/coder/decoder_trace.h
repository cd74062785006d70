// The decoder framework's trace: progress and error lines appended to a log file
// when their level is at or below the configured one.
#pragma once

namespace graphics {

// Sets the level and the file (none: no file). A named file is deleted at once, so
// every configuration starts a fresh log.
void SetDecoderTrace(int level, const char* fileName);
// Appends text as it is when level <= the configured level and a file is set. The
// file is opened and closed for every line; a line that cannot be written is lost.
void DecoderTrace(int level, const char* text);
// Forgets the trace file (tracing to a file stops).
void ClearDecoderTraceFile();

}  // namespace graphics
