#include "graphics/formats/jpeg/cjpeg_script_files.h"

#include <cctype>
#include <fstream>

namespace graphics {
namespace {

constexpr int kMaxTables = 4;   // the JPEG format's table slots
constexpr int kMaxScans = 100;  // more than any sensible progression needs
constexpr int kMaxComponentsInScan = 4;
constexpr long kLargestValue = 1000000000L;

constexpr int kEnd = -1;       // end of the text
constexpr int kBetween = ' ';  // numbers separated by white space or a punctuation mark

// Reads numbers and tells what stands between them.
class NumberReader {
 public:
  explicit NumberReader(const std::string& text) : m_text(text) {}

  // Skips white space and comments; true when the text holds more.
  bool More() {
    SkipBlank();
    return m_pos < m_text.size();
  }

  // Reads a number and the mark after it (';', ':', kBetween or kEnd). False (with
  // *error set) when something other than digits stands where a number should.
  bool Read(long* value, int* mark, std::string* error) {
    SkipBlank();
    if (m_pos >= m_text.size() || !std::isdigit(static_cast<unsigned char>(m_text[m_pos]))) {
      *error = m_pos >= m_text.size() ? "file ends where a number is expected"
                                      : "non-numeric data in file";
      return false;
    }
    long v = 0;
    while (m_pos < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text[m_pos]))) {
      v = v * 10 + (m_text[m_pos++] - '0');
      if (v > kLargestValue) {
        *error = "number too large in file";
        return false;
      }
    }
    *value = v;
    SkipBlank();
    if (m_pos >= m_text.size()) {
      *mark = kEnd;
    } else {
      const char c = m_text[m_pos];
      if (c == ';' || c == ':') {
        *mark = c;
        ++m_pos;
      } else if (std::ispunct(static_cast<unsigned char>(c)) && c != '#') {
        *mark = kBetween;
        ++m_pos;
      } else {
        *mark = kBetween;  // a digit follows: the space was the separator
      }
    }
    return true;
  }

 private:
  void SkipBlank() {
    while (m_pos < m_text.size()) {
      const char c = m_text[m_pos];
      if (c == '#') {
        while (m_pos < m_text.size() && m_text[m_pos] != '\n' && m_text[m_pos] != '\r') ++m_pos;
      } else if (std::isspace(static_cast<unsigned char>(c))) {
        ++m_pos;
      } else {
        return;
      }
    }
  }

  const std::string& m_text;
  std::size_t m_pos = 0;
};

}  // namespace

bool ParseQuantTables(const std::string& text, std::vector<QuantTable>* tables,
                      std::string* error) {
  tables->clear();
  NumberReader reader(text);
  while (reader.More()) {
    if (static_cast<int>(tables->size()) == kMaxTables) {
      *error = "too many tables in file";
      return false;
    }
    QuantTable table{};
    for (unsigned int& entry : table) {
      long value = 0;
      int mark = 0;
      if (!reader.Read(&value, &mark, error)) {
        *error = "invalid table data in file: " + *error;
        return false;
      }
      entry = static_cast<unsigned int>(value);
    }
    tables->push_back(table);
  }
  if (tables->empty()) {
    *error = "no table in file";
    return false;
  }
  return true;
}

bool ParseScanScript(const std::string& text, std::vector<jpeg_scan_info>* scans,
                     std::string* error) {
  scans->clear();
  NumberReader reader(text);
  while (reader.More()) {
    if (static_cast<int>(scans->size()) == kMaxScans) {
      *error = "too many scans defined in file";
      return false;
    }
    jpeg_scan_info scan{};
    long value = 0;
    int mark = kBetween;
    while (mark == kBetween) {
      if (scan.comps_in_scan == kMaxComponentsInScan) {
        *error = "too many components in one scan";
        return false;
      }
      if (!reader.Read(&value, &mark, error)) return false;
      scan.component_index[scan.comps_in_scan++] = static_cast<int>(value);
    }
    scan.Ss = 0;
    scan.Se = DCTSIZE2 - 1;
    if (mark == ':') {
      long parameter[4];
      for (long& p : parameter) {
        if (!reader.Read(&p, &mark, error)) return false;
        if (&p != &parameter[3] && mark != kBetween) {
          *error = "a scan needs four values after ':'";
          return false;
        }
      }
      scan.Ss = static_cast<int>(parameter[0]);
      scan.Se = static_cast<int>(parameter[1]);
      scan.Ah = static_cast<int>(parameter[2]);
      scan.Al = static_cast<int>(parameter[3]);
    }
    if (mark != ';' && mark != kEnd) {
      *error = "invalid scan entry format in file";
      return false;
    }
    scans->push_back(scan);
  }
  if (scans->empty()) {
    *error = "no scan in file";
    return false;
  }
  return true;
}

bool ReadScriptFile(const std::string& path, std::string* text, std::string* error) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) {
    *error = "can't open " + path;
    return false;
  }
  const std::streamoff size = in.tellg();
  if (size < 0 || size > (1 << 20)) {
    *error = path + " is too large for a table or scan file";
    return false;
  }
  text->assign(static_cast<std::size_t>(size), '\0');
  in.seekg(0);
  if (!in.read(text->data(), size)) {
    *error = "can't read " + path;
    return false;
  }
  return true;
}

}  // namespace graphics
