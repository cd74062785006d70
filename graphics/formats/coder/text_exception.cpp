// The decoding error that TIFF decoding throws by value up to the host.
#include "Pics.h"

CTextException::CTextException(int code, const char* text)
    : m_code(code), m_text(text != nullptr ? text : "") {}

// Taken through the accessors, as a copy of any exception of this kind would be.
CTextException::CTextException(const CTextException& other)
    : std::exception(other), m_code(other.GetCode()), m_text(other.GetText()) {}

CTextException& CTextException::operator=(const CTextException& other) {
  m_code = other.GetCode();
  m_text = other.GetText();
  return *this;
}

CTextException::~CTextException() = default;
