// Parses arbitrary text as the compression front end's quantisation table and scan
// script files and as the decompression front end's colour map file; the first byte
// picks the parser.
#include <cstdint>
#include <string>
#include <vector>

#include "graphics/formats/jpeg/cjpeg_script_files.h"
#include "graphics/formats/jpeg/jpeg_color_map_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  std::string error;
  switch (data[0] % 3) {
    case 0: {
      std::vector<graphics::QuantTable> tables;
      if (graphics::ParseQuantTables(text, &tables, &error) &&
          (tables.empty() || tables.size() > 4))
        __builtin_trap();
      break;
    }
    case 1: {
      std::vector<jpeg_scan_info> scans;
      if (graphics::ParseScanScript(text, &scans, &error)) {
        for (const jpeg_scan_info& scan : scans)
          if (scan.comps_in_scan < 1 || scan.comps_in_scan > 4) __builtin_trap();
      }
      break;
    }
    default: {
      std::vector<graphics::MapColour> colours;
      const std::vector<std::uint8_t> bytes(data + 1, data + size);
      if (graphics::ParseColourMap(bytes, &colours, &error) && colours.size() > 256)
        __builtin_trap();
      break;
    }
  }
  return 0;
}
