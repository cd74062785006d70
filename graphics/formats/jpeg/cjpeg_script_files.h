// The text files of the compression front end's wizard switches: quantisation
// tables (-qtables) and scan scripts (-scans). Both are free-format decimal numbers
// with '#' comments to the end of the line.
#pragma once

#include <array>
#include <string>
#include <vector>

#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <jpeglib.h>

namespace graphics {

// One to four tables of 64 values in natural (not zigzag) order.
using QuantTable = std::array<unsigned int, 64>;
bool ParseQuantTables(const std::string& text, std::vector<QuantTable>* tables, std::string* error);

// Scans separated by ';': one to four component indexes, optionally followed by ':'
// and Ss, Se, Ah, Al (0, 63, 0, 0 when left out). Any single punctuation mark other
// than ':' and ';' may stand between numbers.
bool ParseScanScript(const std::string& text, std::vector<jpeg_scan_info>* scans,
                     std::string* error);

// Reads a whole text file of at most a megabyte; false when it cannot be read.
bool ReadScriptFile(const std::string& path, std::string* text, std::string* error);

}  // namespace graphics
