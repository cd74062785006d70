// Opens TIFF data that is already in memory through libtiff's client interface
// (read only: writes are refused with a warning).
#pragma once

#include <cstddef>
#include <tiffio.h>

#include "Pics.h"

namespace graphics {

// A handle named "MemSource" over [data, data + size), or null when libtiff refuses
// the data. The bytes must outlive the handle; TIFFClose frees the client record.
TIFF* OpenTiffInMemory(const BYTE* data, std::size_t size);

}  // namespace graphics
