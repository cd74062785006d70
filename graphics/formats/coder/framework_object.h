// The root of the decoder framework's classes: a runtime class record (class name,
// object size, schema) that tells an object's class at run time, and the common
// virtual operations every framework object carries.
#pragma once

namespace graphics {

struct RuntimeClass {
  const char* className;
  int objectSize;
  unsigned schema;  // 0xFFFF: not serialisable
};

class CObject {
 public:
  CObject() = default;
  CObject(const CObject&) = default;
  CObject& operator=(const CObject&) = default;
  virtual const RuntimeClass* GetRuntimeClass() const;
  virtual ~CObject() = default;
  virtual void Serialize() {}
  virtual void AssertValid() const {}
  virtual void Dump() const {}
  bool IsKindOf(const char* className) const;
};

}  // namespace graphics

// Defines the runtime class record of a framework class.
#define GRAPHICS_RUNTIME_CLASS(Class)                                               \
  const graphics::RuntimeClass* Class::GetRuntimeClass() const {                    \
    static const graphics::RuntimeClass record{#Class, int(sizeof(Class)), 0xFFFF}; \
    return &record;                                                                 \
  }
