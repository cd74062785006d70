// Splits the JPEG option strings of a picture into argument words.
#pragma once

#include <string>
#include <vector>

namespace graphics {

constexpr std::size_t kMaxOptionWords = 50;

// The words of text separated by spaces (only the space character separates, and
// runs of spaces make no empty words); at most kMaxOptionWords, the rest is dropped.
std::vector<std::string> SplitOptionWords(const char* text);

// An argument vector over strings that stay alive while it is used.
class ArgumentVector {
 public:
  void Add(const std::string& word) { m_words.push_back(word); }
  void Add(const std::vector<std::string>& words) {
    m_words.insert(m_words.end(), words.begin(), words.end());
  }
  int Count() const { return static_cast<int>(m_words.size()); }
  // Pointers into the words (the front ends do not change them), null-terminated.
  char** Pointers();
  const std::vector<std::string>& Words() const { return m_words; }

 private:
  std::vector<std::string> m_words;
  std::vector<char*> m_pointers;
};

}  // namespace graphics
