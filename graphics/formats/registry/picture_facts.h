// What loading a picture file would give (its sides, depth and colour count), read
// from the file's header alone. Each format's reader sits beside its loader, in its
// own folder, and is built into a small library of its own that needs no more than
// the exported file class: the pics tool links it beside libGraphics.
#pragma once

#include <optional>

#include "Pics.h"

namespace graphics {

struct PictureFacts {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
  int colors = 0;  // as the loaded DIB reports them (its colour-table entries)
};

// The colour-table entries of a DIB that does not state how many it uses.
constexpr int DibTableColors(int bits) { return bits <= 8 ? 1 << bits : 0; }

// True when the file's last bytes are `tail` (formats that close with a marker: a
// file cut short lacks it). Moves the file's position.
bool FileEndsWith(CFile& file, const BYTE* tail, std::size_t bytes);

// The facts of the picture of the given type in the open file, read from its start;
// nullopt when the header is refused or does not settle what a load would give (then
// only loading can tell). Read errors throw CFileException.
std::optional<PictureFacts> ReadPictureFacts(short type, CFile& file);

}  // namespace graphics
