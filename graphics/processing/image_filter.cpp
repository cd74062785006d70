// The filter operations of CPics: built-in and callers' kernels.
#include "graphics/processing/convolution.h"
#include "graphics/processing/filter_kernels.h"
#include "graphics/core/depth/picture_refresh.h"

int CPics::ImageFilter(HGLOBAL* phDIB, int index, IMGFILTER5X5* kernel, int strength) {
  const auto selected = graphics::SelectKernel5x5(index, kernel);
  if (!selected) return 0;
  return graphics::Convolve(phDIB, *selected, strength, true);
}

int CPics::ImageFilter(int index, IMGFILTER5X5* kernel, int strength) {
  if (!m_hDIB || !ImageFilter(&m_hDIB, index, kernel, strength)) return 0;
  return graphics::RefreshAfterConversion(*this);
}

int CPics::ImageFilter3X3(int index, IMGFILTER3X3* kernel, int strength) {
  const auto selected = graphics::SelectKernel3x3(index, kernel);
  if (!selected || !m_hDIB) return 0;
  if (!graphics::Convolve(&m_hDIB, *selected, strength, false)) return 0;
  return graphics::RefreshAfterConversion(*this);
}
