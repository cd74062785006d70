// The decompression front end: the djpeg command line of the JPEG library (6 series) as a
// function. It converts one JPEG file into a BMP (Windows or OS/2), GIF, PPM/PGM or
// Targa file and returns 1, or 0 after a line on the library trace.
#pragma once

#include <cstdio>

#include "Pics.h"

namespace graphics {

// Bounds a caller may put on one decompression; 0 means no bound.
struct JpegDecodeLimits {
  long maxOutputSide = 0;  // widest or tallest output accepted, in pixels
  int maxScans = 0;        // most scans read from a progressive file
  long maxMemory = 0;      // most bytes the library may hold for whole-picture buffers
};

// argv[0] is the program name used in messages ("djpeg" when empty), then the
// switches, then the input and output file (only the input when -outfile names the
// output). An open input stream, when given, is read from its position instead of
// opening the input file by name (the name stays for the command line's checks).
int DjpegMain(int argc, char** argv);
int DjpegMain(int argc, char** argv, const JpegDecodeLimits& limits, std::FILE* input = nullptr);

// The same command line with Windows BMP output, decoded into the packed DIB that
// reading that BMP file gives, without the file (the output name is not used). For
// any other command line *handled is false and nothing is done; otherwise the result
// is the DIB (owned by the caller), or null after a trace line. The input stream is
// taken as DjpegMain takes it.
HGLOBAL DjpegToDib(int argc, char** argv, const JpegDecodeLimits& limits, bool* handled,
                   std::FILE* input = nullptr);

}  // namespace graphics
