// Byte sources that decoders read from: a block of bytes with a start pointer, a
// read pointer and a size, and a source over a whole file mapped into memory.
#pragma once

#include <cstddef>
#include <string>

#include "Pics.h"
#include "graphics/formats/coder/framework_object.h"

namespace graphics {

class CDataSource : public CObject {
 public:
  CDataSource() = default;
  CDataSource(const CDataSource&) = delete;
  CDataSource& operator=(const CDataSource&) = delete;
  ~CDataSource() override = default;
  const RuntimeClass* GetRuntimeClass() const override;

  // Starts reading the bytes [start, start + size) under the given name.
  virtual void Open(const char* name, const BYTE* start, std::size_t size);
  virtual void Close();

  const char* GetName() const { return m_name.c_str(); }
  const BYTE* ReadPos() const { return m_readPos; }
  const BYTE* StartPos() const { return m_start; }
  std::size_t Size() const { return m_size; }
  // Moves the read pointer; false (pointer unchanged) when it would leave the data.
  bool Skip(std::size_t bytes);

 private:
  const BYTE* m_readPos = nullptr;
  const BYTE* m_start = nullptr;
  std::string m_name;
  std::size_t m_size = 0;
};

class CFileSource : public CDataSource {
 public:
  CFileSource() = default;
  ~CFileSource() override;
  const RuntimeClass* GetRuntimeClass() const override;

  // Maps the whole file read-only. 0, or the decoder error code: 3 path not found,
  // 4 file not found (or another open error), 5 access denied or not mappable.
  int Open(const char* fileName);
  using CDataSource::Open;
  // Maps the file open on the descriptor, which stays the caller's, under the given
  // name. 0, or 5 when it is no regular file or cannot be mapped.
  int Map(int descriptor, const char* name);
  void Close() override;

 private:
  int m_file = -1;
  void* m_view = nullptr;
  std::size_t m_viewSize = 0;
};

}  // namespace graphics
