#include "graphics/formats/jpeg/jpeg_switches.h"

#include <cctype>
#include <climits>
#include <cstring>

namespace graphics {

bool KeywordMatches(const char* arg, const char* keyword, int minChars) {
  int length = 0;
  for (; arg[length] != '\0'; ++length) {
    const char wanted = keyword[length];
    if (wanted == '\0') return false;  // longer than the keyword
    const char got = static_cast<char>(std::tolower(static_cast<unsigned char>(arg[length])));
    if (got != wanted) return false;
  }
  return length >= minChars;
}

namespace {

// Parses an optionally signed decimal number at *text, moving *text past it.
std::optional<long long> TakeNumber(const char*& text, bool allowSpace) {
  const char* p = text;
  if (allowSpace)
    while (std::isspace(static_cast<unsigned char>(*p))) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  if (!std::isdigit(static_cast<unsigned char>(*p))) return std::nullopt;
  long long value = 0;
  for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
    value = value * 10 + (*p - '0');
    if (value > INT_MAX) return std::nullopt;
  }
  text = p;
  return negative ? -value : value;
}

}  // namespace

std::optional<int> LeadingInt(const char* text) {
  const auto value = TakeNumber(text, true);
  if (!value) return std::nullopt;
  return static_cast<int>(*value);
}

std::optional<std::pair<int, int>> ScaleFraction(const char* text) {
  const auto num = TakeNumber(text, true);
  if (!num || *text != '/') return std::nullopt;
  ++text;
  const auto denom = TakeNumber(text, true);
  if (!denom) return std::nullopt;
  return std::pair<int, int>(static_cast<int>(*num), static_cast<int>(*denom));
}

std::optional<long> MemorySize(const char* text) {
  auto value = TakeNumber(text, true);
  if (!value || *value < 0) return std::nullopt;
  long long bytes = *value;
  if (*text == 'm' || *text == 'M') bytes *= 1000;
  bytes *= 1000;
  if (bytes > LONG_MAX) return std::nullopt;
  return static_cast<long>(bytes);
}

std::optional<RestartSpacing> RestartValue(const char* text) {
  const auto value = TakeNumber(text, true);
  if (!value || *value < 0 || *value > 65535) return std::nullopt;
  RestartSpacing spacing;
  spacing.value = static_cast<long>(*value);
  spacing.inBlocks = *text == 'b' || *text == 'B';
  return spacing;
}

std::optional<std::vector<std::pair<int, int>>> SamplingFactors(const char* text) {
  std::vector<std::pair<int, int>> factors;
  for (;;) {
    const auto h = TakeNumber(text, false);
    if (!h || (*text != 'x' && *text != 'X')) return std::nullopt;
    ++text;
    const auto v = TakeNumber(text, false);
    if (!v || *h < 1 || *h > 4 || *v < 1 || *v > 4) return std::nullopt;
    if (factors.size() == 10) return std::nullopt;  // more than any picture has components
    factors.emplace_back(static_cast<int>(*h), static_cast<int>(*v));
    if (*text == '\0') return factors;
    if (*text++ != ',') return std::nullopt;
  }
}

std::optional<std::vector<int>> TableSlots(const char* text) {
  std::vector<int> slots;
  for (;;) {
    const auto slot = TakeNumber(text, false);
    if (!slot || *slot < 0 || *slot > 3) return std::nullopt;
    if (slots.size() == 10) return std::nullopt;
    slots.push_back(static_cast<int>(*slot));
    if (*text == '\0') return slots;
    if (*text++ != ',') return std::nullopt;
  }
}

namespace {

enum class CommonSwitch { NotCommon, Taken, Bad };

CommonSwitch ReadCommonSwitch(const char* arg, const SwitchValue& value, JpegCommonSettings* s,
                              std::string* error) {
  const auto bad = [error](const char* why) {
    *error = why;
    return CommonSwitch::Bad;
  };
  if (KeywordMatches(arg, "dct", 2)) {
    const char* v = value();
    if (v == nullptr) return bad("-dct needs int, fast or float");
    if (KeywordMatches(v, "int", 1))
      s->dct = JDCT_ISLOW;
    else if (KeywordMatches(v, "fast", 2))
      s->dct = JDCT_IFAST;
    else if (KeywordMatches(v, "float", 2))
      s->dct = JDCT_FLOAT;
    else
      return bad("-dct needs int, fast or float");
  } else if (KeywordMatches(arg, "debug", 1) || KeywordMatches(arg, "verbose", 1)) {
    ++s->verbosity;
  } else if (KeywordMatches(arg, "grayscale", 2) || KeywordMatches(arg, "greyscale", 2)) {
    s->grayscale = true;
  } else if (KeywordMatches(arg, "maxmemory", 3)) {
    const char* v = value();
    const auto bytes = v ? MemorySize(v) : std::nullopt;
    if (!bytes) return bad("-maxmemory needs a size in thousands of bytes (or millions with M)");
    s->maxMemory = *bytes;
  } else if (KeywordMatches(arg, "outfile", 4)) {
    const char* v = value();
    if (v == nullptr) return bad("-outfile needs a file name");
    s->outFile = v;
  } else {
    return CommonSwitch::NotCommon;
  }
  return CommonSwitch::Taken;
}

}  // namespace

bool ReadSwitches(int argc, char** argv, JpegCommonSettings* common, const OwnSwitch& own,
                  int* fileIndex, std::string* error) {
  int argn = 1;
  const SwitchValue value = [&]() -> const char* {
    return argn + 1 < argc ? argv[++argn] : nullptr;
  };
  for (; argn < argc; ++argn) {
    const char* raw = argv[argn];
    if (raw == nullptr || raw[0] != '-') break;
    switch (ReadCommonSwitch(raw + 1, value, common, error)) {
      case CommonSwitch::Taken:
        continue;
      case CommonSwitch::Bad:
        return false;
      case CommonSwitch::NotCommon:
        if (!own(raw, raw + 1, value)) return false;
    }
  }
  *fileIndex = argn;
  return true;
}

}  // namespace graphics
