// Names for picture types and filter kernels, so that users need not know the codes.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <sstream>

#include "pics_commands.h"

namespace pics {

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

std::optional<int> WholeNumber(const std::string& text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

bool InList(const std::string& word, const char* list) {
  std::istringstream words(list);
  std::string w;
  while (words >> w)
    if (w == word) return true;
  return false;
}

// Index order of the library's built-in kernels (3 x 3 and 5 x 5 share the meanings).
const char* const kKernels[] = {
    "blur",           "light-blur", "mean",       "sharpen", "sharpen-cross", "sharpen-mild",
    "sharpen-strong", "edge",       "edge-white", "relief",  "relief-grey",
};

}  // namespace

const std::vector<FormatName>& Formats() {
  static const std::vector<FormatName> formats = {
      {PictureBMP, "bmp", "dib", ".bmp .dib"},
      {PictureGIF, "gif", "", ".gif"},
      {PicturePCX, "pcx", "", ".pcx"},
      {PictureJPEG, "jpeg", "jpg jpe", ".jpg .jpe .jpeg"},
      {PictureTGA, "tga", "targa", ".tga .targ"},
      {PictureTIFF, "tiff", "tif", ".tif .tiff"},
      {PictureXBM, "xbm", "", ".xbm"},
      {PicturePNG, "png", "", ".png"},
  };
  return formats;
}

std::optional<short> ParseType(const std::string& text) {
  if (const std::optional<int> number = WholeNumber(text)) {
    if (*number >= 1 && *number <= 8) return short(*number);
    return std::nullopt;
  }
  const std::string name = Lower(text);
  for (const FormatName& format : Formats())
    if (name == format.name || InList(name, format.aliases)) return format.type;
  return std::nullopt;
}

std::string TypeName(short type) {
  for (const FormatName& format : Formats()) {
    if (format.type != type) continue;
    std::string name = format.name;
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    return name;
  }
  return "unknown";
}

std::optional<int> ParseKernel(const std::string& text) {
  if (const std::optional<int> number = WholeNumber(text)) {
    if (*number >= 1 && *number <= 11) return *number;
    return std::nullopt;
  }
  const std::string name = Lower(text);
  for (int i = 0; i < 11; ++i)
    if (name == kKernels[i]) return i + 1;
  if (name == "smooth") return 1;
  if (name == "edge-black") return 8;
  return std::nullopt;
}

std::string KernelNames() {
  std::string names;
  for (int i = 0; i < 11; ++i)
    names += std::string(i ? ", " : "") + std::to_string(i + 1) + " " + kKernels[i];
  return names;
}

}  // namespace pics
