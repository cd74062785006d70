// Convolution kernels: the built-in 3 x 3 and 5 x 5 sets and callers' kernels,
// all held the same way.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "Pics.h"

namespace graphics {

struct Kernel {
  int reach = 1;                // 1 for 3 x 3, 2 for 5 x 5
  std::array<int32_t, 25> k{};  // (2 * reach + 1)^2 coefficients, row by row
  int32_t divisor = 1;
  int32_t offset = 0;

  int size() const { return 2 * reach + 1; }
  int32_t at(int row, int column) const { return k[size_t(row * size() + column)]; }
};

// Index 1..11 gives the built-in kernel; 0 takes the caller's (which must be
// given). Anything else, or a caller's kernel with divisor 0, gives nothing.
std::optional<Kernel> SelectKernel3x3(int index, const IMGFILTER3X3* custom);
std::optional<Kernel> SelectKernel5x5(int index, const IMGFILTER5X5* custom);

}  // namespace graphics
