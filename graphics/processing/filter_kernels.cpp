#include "graphics/processing/filter_kernels.h"

#include <algorithm>

namespace graphics {
namespace {

struct Entry3 {
  int32_t k[9];
  int32_t divisor, offset;
};

// Indexes 1..11: smoothing (1-3), sharpening (4-7), edges on black and on white
// (8, 9), relief (10) and relief on grey (11).
constexpr Entry3 kBuiltIn3x3[11] = {
    {{1, 1, 1, 1, 5, 1, 1, 1, 1}, 13, 0},          {{5, 5, 5, 5, 44, 5, 5, 5, 5}, 84, 0},
    {{1, 1, 1, 1, 0, 1, 1, 1, 1}, 8, 0},           {{-2, -2, -2, -2, 32, -2, -2, -2, -2}, 24, 0},
    {{0, -1, 0, -1, 10, -1, 0, -1, 0}, 6, 0},      {{-1, -1, -1, -1, 10, -1, -1, -1, -1}, 2, 0},
    {{-1, -1, -1, -1, 9, -1, -1, -1, -1}, 1, 0},   {{-1, -1, -1, -1, 8, -1, -1, -1, -1}, 1, 0},
    {{-1, -1, -1, -1, 8, -1, -1, -1, -1}, 1, 255}, {{2, 2, 2, 2, -2, -2, 2, -2, -2}, 2, 12},
    {{1, 1, 1, 1, -2, -1, 1, -1, -1}, 1, 160},
};

Kernel FromEntry3(const Entry3& e) {
  Kernel kernel;
  kernel.reach = 1;
  std::copy(e.k, e.k + 9, kernel.k.begin());
  kernel.divisor = e.divisor;
  kernel.offset = e.offset;
  return kernel;
}

// A 5 x 5 kernel with an outer ring value, inner ring value and centre.
Kernel Rings(int32_t outer, int32_t inner, int32_t centre, int32_t divisor) {
  Kernel kernel;
  kernel.reach = 2;
  for (int r = 0; r < 5; ++r)
    for (int c = 0; c < 5; ++c) {
      const bool isOuter = r == 0 || r == 4 || c == 0 || c == 4;
      kernel.k[size_t(r * 5 + c)] = (r == 2 && c == 2) ? centre : isOuter ? outer : inner;
    }
  kernel.divisor = divisor;
  return kernel;
}

// The 3 x 3 kernel in the middle of a zero border.
Kernel Bordered(const Kernel& small) {
  Kernel kernel;
  kernel.reach = 2;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) kernel.k[size_t((r + 1) * 5 + c + 1)] = small.at(r, c);
  kernel.divisor = small.divisor;
  kernel.offset = small.offset;
  return kernel;
}

Kernel BuiltIn5x5(int index) {
  switch (index) {
    case 2:
      return Rings(1, 5, 44, 100);
    case 3:
      return Rings(1, 0, 0, 16);
    case 4: {
      Kernel kernel = Bordered(FromEntry3(kBuiltIn3x3[3]));
      kernel.divisor = 16;
      return kernel;
    }
    case 10: {
      Kernel kernel;
      kernel.reach = 2;
      kernel.k = {1,  1,  1, 1, 1,  1,  2,  2, 2, -1, 1,  2, -4,
                  -2, -1, 1, 2, -2, -2, -1, 1, 1, -1, -1, -1};
      kernel.divisor = 6;
      kernel.offset = 24;
      return kernel;
    }
    default:
      return Bordered(FromEntry3(kBuiltIn3x3[index - 1]));
  }
}

}  // namespace

std::optional<Kernel> SelectKernel3x3(int index, const IMGFILTER3X3* custom) {
  if (index < 0 || index > 11) return std::nullopt;
  if (index > 0) return FromEntry3(kBuiltIn3x3[index - 1]);
  if (custom == nullptr || custom->divisor == 0) return std::nullopt;
  Entry3 e{};
  std::copy(custom->k, custom->k + 9, e.k);
  e.divisor = custom->divisor;
  e.offset = custom->offset;
  return FromEntry3(e);
}

std::optional<Kernel> SelectKernel5x5(int index, const IMGFILTER5X5* custom) {
  if (index < 0 || index > 11) return std::nullopt;
  if (index > 0) return BuiltIn5x5(index);
  if (custom == nullptr || custom->divisor == 0) return std::nullopt;
  Kernel kernel;
  kernel.reach = 2;
  std::copy(custom->k, custom->k + 25, kernel.k.begin());
  kernel.divisor = custom->divisor;
  kernel.offset = custom->offset;
  return kernel;
}

}  // namespace graphics
