// Reading the switches of the JPEG front ends: keyword abbreviations and the
// numeric forms their values take ("%d", "%d/%d", "N[m]", "N[b]", "HxV,...").
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

// clang-format off
#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <jpeglib.h>
// clang-format on

namespace graphics {

// True when arg (without its dash) is keyword or an abbreviation of it at least
// minChars long. Upper-case letters in arg count as lower case.
bool KeywordMatches(const char* arg, const char* keyword, int minChars);

// The leading decimal integer of text, as sscanf("%d") reads it (sign and leading
// white space allowed, trailing text ignored). Empty when no digit starts the text or
// the value does not fit an int.
std::optional<int> LeadingInt(const char* text);

// "M/N" as two leading integers around a slash.
std::optional<std::pair<int, int>> ScaleFraction(const char* text);

// A memory size: thousands of bytes, or millions with a trailing 'm' or 'M'.
std::optional<long> MemorySize(const char* text);

// A restart spacing: a count of MCU rows, or of MCU blocks with a trailing 'b' or
// 'B'; 0 to 65535.
struct RestartSpacing {
  long value = 0;
  bool inBlocks = false;
};
std::optional<RestartSpacing> RestartValue(const char* text);

// "HxV[,HxV...]": sampling factors from 1 to 4.
std::optional<std::vector<std::pair<int, int>>> SamplingFactors(const char* text);

// "N[,N...]": quantisation table numbers from 0 to 3.
std::optional<std::vector<int>> TableSlots(const char* text);

// The switches both front ends take alike: -dct, -debug (-verbose), -grayscale,
// -maxmemory and -outfile.
struct JpegCommonSettings {
  std::optional<J_DCT_METHOD> dct;
  int verbosity = 0;
  bool grayscale = false;
  long maxMemory = -1;  // -1: the library's default
  std::string outFile;
};

// A front end's own switch: raw as given, arg without its dash; value() takes the next
// argument as its value (null when the list ends). False with a reason in *error.
using SwitchValue = std::function<const char*()>;
using OwnSwitch = std::function<bool(const char* raw, const char* arg, const SwitchValue& value)>;

// Reads the switches from argv[1] on, the common ones into *common and the rest
// through own; *fileIndex is the first argument that is not a switch. False (with a
// reason in *error) on an unknown switch or a bad value.
bool ReadSwitches(int argc, char** argv, JpegCommonSettings* common, const OwnSwitch& own,
                  int* fileIndex, std::string* error);

}  // namespace graphics
