// Keeps a movable memory block locked for the lifetime of a scope.
#pragma once

#include "Pics.h"

namespace graphics {

class LockedBlock {
 public:
  explicit LockedBlock(HGLOBAL handle) : handle_(handle), data_(static_cast<BYTE*>(GlobalLock(handle))) {}
  ~LockedBlock() {
    if (data_) GlobalUnlock(handle_);
  }
  LockedBlock(const LockedBlock&) = delete;
  LockedBlock& operator=(const LockedBlock&) = delete;

  BYTE* get() const { return data_; }
  explicit operator bool() const { return data_ != nullptr; }

 private:
  HGLOBAL handle_;
  BYTE* data_;
};

}  // namespace graphics
