#pragma once
// Turns the raw bytes of a text file (UTF-8 or ASCII, optionally with a byte-order mark,
// or UTF-16LE with its byte-order mark) into UTF-8 text.
#include <string>
#include <string_view>

namespace tidewell {

// Appends the UTF-8 form of UTF-16LE bytes; stops at the first NUL code unit when
// stopAtNul is set. A dangling odd byte is ignored; unpaired surrogates become U+FFFD.
void AppendUtf16LeAsUtf8(std::string_view bytes, bool stopAtNul, std::string& out);

// UTF-8 text of a whole file's bytes: a UTF-8 BOM is dropped, a UTF-16LE BOM is decoded.
std::string DecodeTextFile(std::string_view bytes);

// Reads a whole file; false when it can't be opened or is larger than maxBytes.
bool ReadWholeFile(const std::string& path, std::string& bytes, size_t maxBytes);

}  // namespace tidewell
