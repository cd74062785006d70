// The colour map file of the decompression front end's -map switch: the global
// colour table of a GIF file, or the distinct colours of a PPM file (P3 or P6), in
// order of first appearance, at most 256.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace graphics {

using MapColour = std::array<std::uint8_t, 3>;  // red, green, blue

// Reads the colours from the bytes of a map file. False (with the reason in *error)
// for a file of another kind, a damaged one or one with more than 256 colours.
bool ParseColourMap(const std::vector<std::uint8_t>& bytes, std::vector<MapColour>* colours,
                    std::string* error);

// Reads the named file and parses it.
bool ReadColourMapFile(const std::string& path, std::vector<MapColour>* colours,
                       std::string* error);

}  // namespace graphics
