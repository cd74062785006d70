// Movable, zero-filled memory blocks behind handles. A DIB lives in one such block.
//
// Handles are checked against a registry of live blocks, so a null, freed or foreign
// handle is refused instead of being dereferenced.
#include "Pics.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>

struct GlobalMemoryBlock {
  void* data = nullptr;
  std::size_t size = 0;
  unsigned lockCount = 0;
};

namespace {

// Larger requests are refused outright: no picture of at most 32767 x 32767 pixels
// needs more, and a size read from a damaged file must not reach the allocator.
constexpr std::size_t kLargestBlock = std::size_t(4) << 30;

std::mutex& RegistryLock() {
  static std::mutex lock;
  return lock;
}

std::unordered_set<GlobalMemoryBlock*>& LiveBlocks() {
  static std::unordered_set<GlobalMemoryBlock*> blocks;
  return blocks;
}

// Caller holds RegistryLock().
bool IsLive(HGLOBAL h) { return h != nullptr && LiveBlocks().count(h) != 0; }

}  // namespace

HGLOBAL GlobalAlloc(UINT /*flags*/, std::size_t bytes) {
  if (bytes > kLargestBlock) return nullptr;
  // calloc: large blocks come straight from zeroed pages, so zero-filling costs nothing.
  void* data = std::calloc(bytes == 0 ? 1 : bytes, 1);
  if (data == nullptr) return nullptr;
  auto* block = new (std::nothrow) GlobalMemoryBlock{data, bytes, 0};
  if (block == nullptr) {
    std::free(data);
    return nullptr;
  }
  std::lock_guard<std::mutex> guard(RegistryLock());
  LiveBlocks().insert(block);
  return block;
}

void* GlobalLock(HGLOBAL h) {
  std::lock_guard<std::mutex> guard(RegistryLock());
  if (!IsLive(h)) return nullptr;
  ++h->lockCount;
  return h->data;
}

BOOL GlobalUnlock(HGLOBAL h) {
  std::lock_guard<std::mutex> guard(RegistryLock());
  if (!IsLive(h) || h->lockCount == 0) return FALSE;
  --h->lockCount;
  return h->lockCount > 0 ? TRUE : FALSE;
}

std::size_t GlobalSize(HGLOBAL h) {
  std::lock_guard<std::mutex> guard(RegistryLock());
  return IsLive(h) ? h->size : 0;
}

HGLOBAL GlobalReAlloc(HGLOBAL h, std::size_t bytes, UINT /*flags*/) {
  if (bytes > kLargestBlock) return nullptr;
  std::lock_guard<std::mutex> guard(RegistryLock());
  if (!IsLive(h)) return nullptr;
  void* data = std::realloc(h->data, bytes == 0 ? 1 : bytes);
  if (data == nullptr) return nullptr;  // the old block is untouched
  if (bytes > h->size) std::memset(static_cast<char*>(data) + h->size, 0, bytes - h->size);
  h->data = data;
  h->size = bytes;
  return h;
}

HGLOBAL GlobalFree(HGLOBAL h) {
  {
    std::lock_guard<std::mutex> guard(RegistryLock());
    if (!IsLive(h)) return nullptr;
    LiveBlocks().erase(h);
  }
  std::free(h->data);
  delete h;
  return nullptr;
}
