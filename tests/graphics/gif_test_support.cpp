#include "gif_test_support.h"

namespace giftest {

std::string GifBuilderPython() {
  return R"PY(
import struct

def lzw_codes(indexes, min_size, initial_clear=True, clear_when_full=True):
    clear = 1 << min_size
    end = clear + 1
    out = []
    def fresh():
        return {(i,): i for i in range(clear)}, clear + 2, min_size + 1
    table, nxt, width = fresh()
    if initial_clear:
        out.append((clear, width))
    w = ()
    for i in indexes:
        wc = w + (i,)
        if wc in table:
            w = wc
            continue
        out.append((table[w], width))
        if nxt < 4096:
            table[wc] = nxt
            nxt += 1
            if nxt > (1 << width) and width < 12:
                width += 1
        elif clear_when_full:
            out.append((clear, width))
            table, nxt, width = fresh()
        w = (i,)
    if w:
        out.append((table[w], width))
    out.append((end, width))
    acc = 0
    bits = 0
    data = bytearray()
    for code, width in out:
        acc |= code << bits
        bits += width
        while bits >= 8:
            data.append(acc & 0xFF)
            acc >>= 8
            bits -= 8
    if bits:
        data.append(acc & 0xFF)
    return bytes(data)

def sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        part = data[i:i + 255]
        out += bytes([len(part)]) + part
    return bytes(out) + b'\0'

def table_field(table):
    n = len(table)
    bits = 1
    while (1 << bits) < n:
        bits += 1
    return bits - 1, table + [(0, 0, 0)] * ((1 << bits) - n)

def make_gif(path, w, h, indexes, table, code_size=None, initial_clear=True, clear_when_full=True,
             screen=None, local_table=False, transparent=None, interlace=False, extensions=(),
             stray=b'', data=None, version=b'GIF89a'):
    field, padded = table_field(table) if table else (0, [])
    sw, sh = screen if screen else (w, h)
    out = bytearray(version)
    gflags = 0
    if table and not local_table:
        gflags = 0x80 | field
    else:
        gflags = field
    out += struct.pack('<HHBBB', sw, sh, gflags, 0, 0)
    if table and not local_table:
        out += bytes(c for rgb in padded for c in rgb)
    for e in extensions:
        out += e
    if transparent is not None:
        out += bytes([0x21, 0xF9, 4, 1, 0, 0, transparent, 0])
    out += stray
    flags = 0x40 if interlace else 0
    if table and local_table:
        flags |= 0x80 | field
    out += b',' + struct.pack('<HHHHB', 0, 0, w, h, flags)
    if table and local_table:
        out += bytes(c for rgb in padded for c in rgb)
    if code_size is None:
        code_size = max(2, field + 1)
    if data is None:
        rows = list(range(h))
        if interlace:
            rows = list(range(0, h, 8)) + list(range(4, h, 8)) + list(range(2, h, 4)) + list(range(1, h, 2))
        order = [indexes[y * w + x] for y in rows for x in range(w)]
        data = lzw_codes(order, code_size, initial_clear, clear_when_full)
    out += bytes([code_size]) + sub_blocks(data) + b';'
    open(path, 'wb').write(out)
)PY";
}

std::size_t ImageDescriptorOffset(const std::vector<std::uint8_t>& file) {
  if (file.size() < 13) return 0;
  std::size_t pos = 13;
  if (file[10] & 0x80) pos += 3u << ((file[10] & 7) + 1);
  while (pos < file.size()) {
    if (file[pos] == ',') return pos;
    if (file[pos] != '!') return 0;
    pos += 2;
    while (pos < file.size() && file[pos] != 0) pos += file[pos] + 1u;
    ++pos;
  }
  return 0;
}

std::vector<int> ImageCodes(const std::vector<std::uint8_t>& file) {
  std::vector<int> codes;
  std::size_t pos = ImageDescriptorOffset(file);
  if (pos == 0) return codes;
  const std::uint8_t flags = file[pos + 9];
  pos += 10;
  if (flags & 0x80) pos += 3u << ((flags & 7) + 1);
  const int minSize = file[pos++];
  std::vector<std::uint8_t> data;
  while (pos < file.size() && file[pos] != 0) {
    const std::size_t n = file[pos];
    data.insert(data.end(), file.begin() + long(pos + 1), file.begin() + long(pos + 1 + n));
    pos += n + 1;
  }
  const int clear = 1 << minSize, end = clear + 1;
  int width = minSize + 1, next = clear + 2;
  bool first = true;
  std::size_t bit = 0;
  while (bit + std::size_t(width) <= data.size() * 8) {
    int code = 0;
    for (int i = 0; i < width; ++i, ++bit) code |= ((data[bit / 8] >> (bit % 8)) & 1) << i;
    codes.push_back(code);
    if (code == end) break;
    if (code == clear) {
      width = minSize + 1;
      next = clear + 2;
      first = true;
      continue;
    }
    if (first) {
      first = false;
      continue;
    }
    if (next < 4096) ++next;
    if (next == (1 << width) && width < 12) ++width;
  }
  return codes;
}

}  // namespace giftest
