// Brightness and contrast on the DIB behind a handle: palette entries of a
// palette picture, pixels of a 24-bit one. 1 on success, 0 on failure.
#pragma once

#include "Pics.h"

namespace graphics {

int AdjustBrightnessContrast(HGLOBAL* handle, int brightness, int contrast);

}  // namespace graphics
