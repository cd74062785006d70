// The decompression front end: the djpeg command line of the JPEG library (6 series) as a
// function. It converts one JPEG file into a BMP (Windows or OS/2), GIF, PPM/PGM or
// Targa file and returns 1, or 0 after a message on standard error.
#pragma once

namespace graphics {

// Bounds a caller may put on one decompression; 0 means no bound.
struct JpegDecodeLimits {
  long maxOutputSide = 0;  // widest or tallest output accepted, in pixels
  int maxScans = 0;        // most scans read from a progressive file
  long maxMemory = 0;      // most bytes the library may hold for whole-picture buffers
};

// argv[0] is the program name used in messages ("djpeg" when empty), then the
// switches, then the input and output file (only the input when -outfile names the
// output).
int DjpegMain(int argc, char** argv);
int DjpegMain(int argc, char** argv, const JpegDecodeLimits& limits);

}  // namespace graphics
