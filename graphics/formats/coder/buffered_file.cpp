#include "graphics/formats/coder/buffered_file.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace graphics {

namespace {
// CFile moves at most a UINT per call.
constexpr std::size_t kMaxTransfer = std::numeric_limits<UINT>::max();
}  // namespace

BufferedReader::BufferedReader(CFile& file, std::size_t bufferSize)
    : m_file(file), m_buffer(std::clamp<std::size_t>(bufferSize, 1, kMaxTransfer)) {}

bool BufferedReader::Fill() {
  m_pos = 0;
  m_end = m_file.Read(m_buffer.data(), static_cast<UINT>(m_buffer.size()));
  return m_end > 0;
}

std::size_t BufferedReader::Read(BYTE* out, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    if (m_pos == m_end) {
      // Large requests go straight to the file instead of through the buffer.
      if (count - done >= m_buffer.size()) {
        const UINT got =
            m_file.Read(out + done, static_cast<UINT>(std::min(count - done, kMaxTransfer)));
        if (got == 0) break;
        done += got;
        continue;
      }
      if (!Fill()) break;
    }
    const std::size_t n = std::min(count - done, m_end - m_pos);
    std::memcpy(out + done, m_buffer.data() + m_pos, n);
    m_pos += n;
    done += n;
  }
  return done;
}

std::uint64_t BufferedReader::Skip(std::uint64_t count) {
  std::uint64_t done = 0;
  while (done < count) {
    if (m_pos == m_end && !Fill()) break;
    const std::size_t n =
        static_cast<std::size_t>(std::min<std::uint64_t>(count - done, m_end - m_pos));
    m_pos += n;
    done += n;
  }
  return done;
}

BufferedWriter::BufferedWriter(CFile& file, std::size_t bufferSize)
    : m_file(file), m_buffer(std::clamp<std::size_t>(bufferSize, 1, kMaxTransfer)) {}

void BufferedWriter::Write(const void* data, std::size_t count) {
  const auto* bytes = static_cast<const BYTE*>(data);
  while (count > 0) {
    if (m_used == m_buffer.size()) Flush();
    const std::size_t n = std::min(count, m_buffer.size() - m_used);
    std::memcpy(m_buffer.data() + m_used, bytes, n);
    m_used += n;
    bytes += n;
    count -= n;
  }
}

void BufferedWriter::Flush() {
  if (m_used == 0) return;
  m_file.Write(m_buffer.data(), static_cast<UINT>(m_used));
  m_used = 0;
}

}  // namespace graphics
