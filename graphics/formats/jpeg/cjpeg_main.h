// The compression front end: the cjpeg command line of the JPEG library (6 series) as a
// function. It compresses one BMP file (recognised by its content) into a JPEG/JFIF
// file and returns 1, or 0 after a message on standard error.
#pragma once

namespace graphics {

// argv[0] is the program name used in messages ("cjpeg" when empty), then the
// switches, then the input and output file (only the input when -outfile names the
// output).
int CjpegMain(int argc, char** argv);

}  // namespace graphics
