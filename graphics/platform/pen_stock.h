// The default pen every context starts with (black, one pixel wide).
#pragma once

#include "graphics/platform/gdi_objects.h"

namespace graphics {
HPEN StockPen();
}
