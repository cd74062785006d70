// Buffered reading and writing over the library's file class, shared by the
// PCX, TGA and XBM coders: they read and write a byte at a time, which the
// buffer turns into large reads and writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "Pics.h"

namespace graphics {

class BufferedReader {
 public:
  static constexpr std::size_t kDefaultSize = 32768;

  // Reads from the file's current position. Read errors throw CFileException.
  explicit BufferedReader(CFile& file, std::size_t bufferSize = kDefaultSize);
  BufferedReader(const BufferedReader&) = delete;
  BufferedReader& operator=(const BufferedReader&) = delete;

  // The next byte, or -1 at the end of the file.
  int Get() {
    if (m_pos == m_end && !Fill()) return -1;
    return m_buffer[m_pos++];
  }
  // The next byte without taking it, or -1 at the end.
  int Peek() {
    if (m_pos == m_end && !Fill()) return -1;
    return m_buffer[m_pos];
  }
  // Copies up to count bytes; fewer only at the end of the file.
  std::size_t Read(BYTE* out, std::size_t count);
  // Passes over up to count bytes; returns how many were passed over.
  std::uint64_t Skip(std::uint64_t count);

 private:
  bool Fill();

  CFile& m_file;
  std::vector<BYTE> m_buffer;
  std::size_t m_pos = 0;
  std::size_t m_end = 0;
};

class BufferedWriter {
 public:
  static constexpr std::size_t kDefaultSize = 65536;

  // Writes at the file's current position. A failed write throws CFileException.
  explicit BufferedWriter(CFile& file, std::size_t bufferSize = kDefaultSize);
  BufferedWriter(const BufferedWriter&) = delete;
  BufferedWriter& operator=(const BufferedWriter&) = delete;
  // Does not flush: a writer that is given up on must not touch the file again.
  ~BufferedWriter() = default;

  void Put(BYTE byte) {
    if (m_used == m_buffer.size()) Flush();
    m_buffer[m_used++] = byte;
  }
  void Write(const void* data, std::size_t count);
  void Flush();

 private:
  CFile& m_file;
  std::vector<BYTE> m_buffer;
  std::size_t m_used = 0;
};

}  // namespace graphics
