#include "graphics/platform/display.h"

namespace graphics {
namespace {
DisplayDescription& Display() {
  static DisplayDescription display;
  return display;
}
}  // namespace

const DisplayDescription& CurrentDisplay() { return Display(); }

void SetDisplay(const DisplayDescription& display) { Display() = display; }

DisplayDescription PaletteDisplay8() {
  DisplayDescription display;
  display.bitsPerPixel = 8;
  display.paletteDevice = true;
  return display;
}

}  // namespace graphics
