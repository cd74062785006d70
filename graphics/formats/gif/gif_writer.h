// Writing a GifIndexedImage as a GIF file whose logical screen is recorded one
// pixel smaller than the image: the mark by which the reader knows its own files.
#pragma once

#include "Pics.h"
#include "graphics/formats/gif/gif_indexed_image.h"

namespace graphics {

// Bits per pixel of the colour table for n colours (1 for up to 2, ..., 8 for 256).
int GifTableBits(int colors);

// Writes the whole file at the file's position. Indexes above the colour table widen
// the table (with black entries) instead of being lost. A failed write throws
// CFileException.
void WriteGifStream(CFile& file, const GifIndexedImage& image);

// Writes the image to `path` through a temporary file: a failed save leaves any file
// that was there untouched. False when the file cannot be written.
bool SaveGifFile(const char* path, const GifIndexedImage& image);

// The GIF writer of picture objects: the picture's indexes (a true-colour picture is
// reduced to 256 colours on a copy) with its colour table, and its transparent colour
// as the nearest table entry. Returns 1 or 0.
int SavePictureAsGif(CPics& picture, const char* path);

}  // namespace graphics
