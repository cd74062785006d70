// What libtiff's warnings and errors become. While decoding, every message is kept
// as the last message (the text of the error raised when the data cannot be read)
// and errors are traced; while writing, messages are dropped.
#pragma once

#include <string>

namespace graphics {

void InstallDecodingTiffHandlers();
void InstallSilentTiffHandlers();
// The last message libtiff reported since the decoding handlers were installed.
const std::string& LastTiffMessage();

}  // namespace graphics
