// libtiff on an open CFile: its client procedures read, write and seek through the
// file class, so any file the library holds (a save's temporary file, a picture being
// described) is used without opening its name again.
#pragma once

#include <tiffio.h>

#include "Pics.h"

namespace graphics {

// A handle on the file (from its start), or null when libtiff refuses it. The file
// must outlive the handle; closing the handle leaves the file open. A failed read or
// write of the file class becomes a short count for libtiff.
TIFF* OpenTiffOnFile(CFile& file, const char* name, const char* mode,
                     TIFFOpenOptions* options = nullptr);

}  // namespace graphics
