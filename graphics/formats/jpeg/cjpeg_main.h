// The compression front end: the cjpeg command line of the JPEG library (6 series) as a
// function. It compresses one BMP file (recognised by its content) into a JPEG/JFIF
// file and returns 1, or 0 after a line on the library trace.
#pragma once

#include "Pics.h"

namespace graphics {

// argv[0] is the program name used in messages ("cjpeg" when empty), then the
// switches, then the input and output file (only the input when -outfile names the
// output).
int CjpegMain(int argc, char** argv);

// The same command line with the input taken from a DIB in memory instead of a BMP file
// (argv then names only the output, or nothing with -outfile). The JPEG file is the one
// the command line makes from the BMP file of that DIB. *handled is false (and nothing
// is done) for a DIB that file would not carry unchanged.
int CjpegFromDib(int argc, char** argv, HGLOBAL dib, bool* handled);

}  // namespace graphics
