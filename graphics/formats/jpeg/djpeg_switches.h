// The switch set of the decompression front end and how it is read.
#pragma once

#include <string>

#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <jpeglib.h>

#include "graphics/formats/jpeg/djpeg_writer.h"
#include "graphics/formats/jpeg/jpeg_switches.h"

namespace graphics {

struct DjpegSettings : JpegCommonSettings {
  DecodedFormat format = DecodedFormat::Pnm;
  bool rle = false;  // asked for run-length output, which is not available
  bool quantize = false;
  int colours = 256;
  bool ditherGiven = false;
  J_DITHER_MODE dither = JDITHER_FS;
  std::string mapFile;
  bool noSmooth = false;
  bool onePass = false;
  bool scaleGiven = false;
  int scaleNum = 1, scaleDenom = 1;
};

// Reads the switches from argv[1] on; *fileIndex is the first argument that is not
// a switch. False (with a reason in *error) on an unknown switch or a bad value.
bool ParseDjpegSwitches(int argc, char** argv, DjpegSettings* settings, int* fileIndex,
                        std::string* error);

// Puts the settings into a decompression whose header has been read.
void ApplyDjpegSettings(const DjpegSettings& settings, jpeg_decompress_struct& info);

}  // namespace graphics
