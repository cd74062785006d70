#include "graphics/formats/tiff/tiff_memory_client.h"

#include <cstring>
#include <memory>

namespace graphics {
namespace {

struct MemoryClient {
  const BYTE* data;
  toff_t size;
  toff_t position;
};

MemoryClient* Client(thandle_t handle) { return static_cast<MemoryClient*>(handle); }

tmsize_t Read(thandle_t handle, void* buffer, tmsize_t count) {
  MemoryClient* c = Client(handle);
  // A position past the end (libtiff seeks freely) reads nothing.
  if (count <= 0 || c->position >= c->size) return 0;
  const toff_t available = c->size - c->position;
  const toff_t n = toff_t(count) < available ? toff_t(count) : available;
  std::memcpy(buffer, c->data + c->position, static_cast<std::size_t>(n));
  c->position += n;
  return static_cast<tmsize_t>(n);
}

tmsize_t Write(thandle_t, void*, tmsize_t) {
  TIFFWarning("TIFFOpen", "Function disabled.");
  return 0;
}

toff_t Seek(thandle_t handle, toff_t offset, int whence) {
  MemoryClient* c = Client(handle);
  if (whence == SEEK_CUR)
    c->position += offset;
  else if (whence == SEEK_END)
    c->position = c->size + offset;
  else
    c->position = offset;
  return c->position;
}

int Close(thandle_t handle) {
  delete Client(handle);
  return 0;
}

toff_t Size(thandle_t handle) { return Client(handle)->size; }

// The bytes are in memory already, so they are offered as the mapping: libtiff's
// unmapped path misreads uncompressed palette tiles through its RGBA reader.
int Map(thandle_t handle, void** base, toff_t* size) {
  MemoryClient* c = Client(handle);
  *base = const_cast<BYTE*>(c->data);
  *size = c->size;
  return c->data != nullptr ? 1 : 0;
}
void Unmap(thandle_t, void*, toff_t) {}

}  // namespace

TIFF* OpenTiffInMemory(const BYTE* data, std::size_t size) {
  auto client = std::make_unique<MemoryClient>(MemoryClient{data, toff_t(size), 0});
  TIFF* tiff =
      TIFFClientOpen("MemSource", "r", client.get(), Read, Write, Seek, Close, Size, Map, Unmap);
  if (tiff != nullptr) client.release();  // the handle's close procedure frees it
  return tiff;
}

}  // namespace graphics
