#include "graphics/formats/jpeg/jpeg_option_words.h"

namespace graphics {

std::vector<std::string> SplitOptionWords(const char* text) {
  std::vector<std::string> words;
  if (text == nullptr) return words;
  const std::string line(text);
  std::size_t pos = 0;
  while (words.size() < kMaxOptionWords) {
    pos = line.find_first_not_of(' ', pos);
    if (pos == std::string::npos) break;
    const std::size_t end = line.find(' ', pos);
    words.push_back(line.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
    if (end == std::string::npos) break;
    pos = end;
  }
  return words;
}

char** ArgumentVector::Pointers() {
  m_pointers.clear();
  for (std::string& word : m_words) m_pointers.push_back(word.data());
  m_pointers.push_back(nullptr);
  return m_pointers.data();
}

}  // namespace graphics
