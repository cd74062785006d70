// The switch set of the compression front end and how it is put into the library.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <jpeglib.h>

#include "graphics/formats/jpeg/cjpeg_script_files.h"
#include "graphics/formats/jpeg/jpeg_switches.h"

namespace graphics {

struct CjpegSettings : JpegCommonSettings {
  bool arithmetic = false;
  bool baseline = false;
  bool optimize = false;
  bool progressive = false;
  std::optional<int> quality;
  std::vector<int> slots;
  std::string qtablesFile;
  std::optional<RestartSpacing> restart;
  std::vector<std::pair<int, int>> sampling;
  std::string scansFile;
  std::optional<int> smoothing;
  bool targaInput = false;  // -targa: the input is declared a Targa file
};

// Reads the switches from argv[1] on; *fileIndex is the first argument that is not
// a switch. False (with a reason in *error) on an unknown switch or a bad value.
bool ParseCjpegSwitches(int argc, char** argv, CjpegSettings* settings, int* fileIndex,
                        std::string* error);

// The contents of the -qtables and -scans files, read before compression starts.
struct CjpegScripts {
  std::vector<QuantTable> tables;
  std::vector<jpeg_scan_info> scans;
};
bool LoadCjpegScripts(const CjpegSettings& settings, CjpegScripts* scripts, std::string* error);

// Puts the settings into a compression whose input colour space and default JPEG
// colour space are set. The scan list must outlive the compression.
void ApplyCjpegSettings(const CjpegSettings& settings, const CjpegScripts& scripts,
                        jpeg_compress_struct& info);

}  // namespace graphics
