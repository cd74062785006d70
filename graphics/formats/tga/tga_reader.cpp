#include "graphics/formats/tga/tga_reader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <vector>

#include "graphics/core/dib_block.h"
#include "graphics/formats/coder/buffered_file.h"
#include "graphics/formats/coder/decoded_dib.h"

namespace graphics {

namespace {

// A run-length packet yields at most 128 pixel units from at least one byte each way.

// Blue, green, red from a 16-bit pixel: red bits 10 to 14, green 5 to 9, blue 0 to 4.
void From16(const BYTE* p, BYTE* bgr) {
  const unsigned v = p[0] | (p[1] << 8);
  bgr[0] = BYTE((v & 31) * 8);
  bgr[1] = BYTE(((v >> 5) & 31) * 8);
  bgr[2] = BYTE(((v >> 10) & 31) * 8);
}

// Reads the colour map into red, green, blue triplets; every byte of it is consumed,
// entries past index 255 and entries of unknown size are passed over.
bool ReadColorMap(BufferedReader& in, const TgaHeader& h, BYTE* rgb) {
  if (h.colorMapType == 0) return true;
  const int entryBytes = (h.colorMapEntryBits + 7) / 8;
  const bool known = h.colorMapEntryBits == 15 || h.colorMapEntryBits == 16 ||
                     h.colorMapEntryBits == 24 || h.colorMapEntryBits == 32;
  BYTE entry[4];
  for (int i = 0; i < h.colorMapLength; ++i) {
    const int index = h.colorMapFirst + i;
    if (!known || index > 255) {
      if (in.Skip(unsigned(entryBytes)) != unsigned(entryBytes)) return false;
      continue;
    }
    if (in.Read(entry, std::size_t(entryBytes)) != std::size_t(entryBytes)) return false;
    BYTE bgr[3];
    if (entryBytes == 2)
      From16(entry, bgr);
    else
      std::memcpy(bgr, entry, 3);
    rgb[3 * index] = bgr[2];
    rgb[3 * index + 1] = bgr[1];
    rgb[3 * index + 2] = bgr[0];
  }
  return true;
}

// Converts one stored row of pixel units into a DIB row.
void StoreRow(const TgaHeader& h, const BYTE* stored, BYTE* row) {
  const int width = h.width;
  switch (h.depth) {
    case 1:
    case 8:
      std::memcpy(row, stored, h.RowUnits());
      break;
    case 16:
      if (h.Grey()) {
        for (int x = 0; x < width; ++x, row += 3) row[0] = row[1] = row[2] = stored[2 * x];
      } else {
        for (int x = 0; x < width; ++x) From16(stored + 2 * x, row + 3 * x);
      }
      break;
    case 24:
      std::memcpy(row, stored, std::size_t(width) * 3);
      break;
    case 32:
      for (int x = 0; x < width; ++x) std::memcpy(row + 3 * x, stored + 4 * x, 3);
      break;
  }
}

// Fills one stored row from run-length packets. A packet that goes past the end of
// the row carries on in the next one. False when the data ends first.
class PacketReader {
 public:
  PacketReader(BufferedReader& in, int pixelBytes)
      : m_in(in), m_pixelBytes(std::size_t(pixelBytes)) {}

  bool FillRow(BYTE* stored, std::size_t units) {
    std::size_t done = 0;
    while (done < units) {
      if (m_left == 0) {
        const int head = m_in.Get();
        if (head < 0) return false;
        m_left = std::size_t(head & 0x7F) + 1;
        m_repeat = (head & 0x80) != 0;
        if (m_repeat && m_in.Read(m_pixel, m_pixelBytes) != m_pixelBytes) return false;
      }
      const std::size_t n = std::min(m_left, units - done);
      BYTE* out = stored + done * m_pixelBytes;
      if (m_repeat) {
        for (std::size_t i = 0; i < n; ++i, out += m_pixelBytes)
          std::memcpy(out, m_pixel, m_pixelBytes);
      } else if (m_in.Read(out, n * m_pixelBytes) != n * m_pixelBytes) {
        return false;
      }
      m_left -= n;
      done += n;
    }
    return true;
  }

 private:
  BufferedReader& m_in;
  std::size_t m_pixelBytes;
  std::size_t m_left = 0;
  bool m_repeat = false;
  BYTE m_pixel[4] = {};
};

}  // namespace

DibHandle ReadTgaFile(CFile& file) {
  const std::uint64_t start = file.GetPosition();
  const auto parsed = ReadTgaHeader(file);
  if (!parsed) return DibHandle();
  const TgaHeader& h = *parsed;
  const int bits = h.DibBits();

  std::array<BYTE, 768> rgb{};
  int colors = 0;
  BufferedReader in(file);
  if (in.Skip(h.idLength) != h.idLength) return DibHandle();
  if (!ReadColorMap(in, h, rgb.data())) return DibHandle();
  if (bits == 1) {
    colors = 2;
    rgb.fill(0);
    std::memset(rgb.data() + 3, 255, 3);
  } else if (bits == 8) {
    colors = 256;
    if (!h.ColorMapped() || h.colorMapType == 0) {
      // No colour map: the bytes are grey levels.
      for (int i = 0; i < 256; ++i) rgb[3 * i] = rgb[3 * i + 1] = rgb[3 * i + 2] = BYTE(i);
    }
  }

  // The data must be able to hold the rows before memory is set aside for them.
  if (!h.RowsFitFile(file.GetLength() - start)) return DibHandle();

  DibHandle dib = AllocateDib(h.width, h.height, bits, rgb.data(), colors);
  if (!dib) return DibHandle();
  bool complete = true;
  try {
    LockedBlock block(dib.get());
    BYTE* pixels = block.data() + DibPixelOffset(bits);
    const std::size_t stride = RowStride(h.width, bits);
    const std::size_t rowUnits = static_cast<std::size_t>(h.RowUnits());
    std::vector<BYTE> stored(rowUnits * std::size_t(h.PixelBytes()));
    // Rows whose stored form is the DIB's are read in place.
    const bool direct = h.depth == 1 || h.depth == 8 || h.depth == 24;
    PacketReader packets(in, h.PixelBytes());
    for (int r = 0; r < h.height && complete; ++r) {
      BYTE* row = pixels + std::size_t(h.TopFirst() ? h.height - 1 - r : r) * stride;
      BYTE* target = direct ? row : stored.data();
      if (h.RunLength())
        complete = packets.FillRow(target, rowUnits);
      else
        complete = in.Read(target, stored.size()) == stored.size();
      if (complete && !direct) StoreRow(h, stored.data(), row);
    }
  } catch (const std::bad_alloc&) {
    complete = false;
  }
  if (!complete) return DibHandle();
  return dib;
}

}  // namespace graphics
