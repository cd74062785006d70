// The process-wide description of the display that pictures are prepared for.
// Picture objects copy these facts when they are constructed.
#pragma once

namespace graphics {

struct DisplayDescription {
  int bitsPerPixel = 24;
  int planes = 1;
  int horzRes = 1920;
  int vertRes = 1080;
  bool paletteDevice = false;
};

const DisplayDescription& CurrentDisplay();
void SetDisplay(const DisplayDescription& display);

// An 8-bit palette display of the default size (used to exercise dithering).
DisplayDescription PaletteDisplay8();

}  // namespace graphics
