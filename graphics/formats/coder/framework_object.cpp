#include "graphics/formats/coder/framework_object.h"

#include <cstring>

namespace graphics {

GRAPHICS_RUNTIME_CLASS(CObject)

bool CObject::IsKindOf(const char* className) const {
  return className != nullptr && std::strcmp(GetRuntimeClass()->className, className) == 0;
}

}  // namespace graphics
