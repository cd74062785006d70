// pics apply IN OUT [--type NAME] [--quality N] OP ARGS...: picture operations applied
// left to right, then the result saved in the format given or named by OUT's extension.
#include <charconv>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "Pics.h"
#include "pics_commands.h"

namespace pics {

namespace {

// Reads the operation's arguments in order; every read reports a missing or
// malformed value as a message.
class ArgumentReader {
 public:
  ArgumentReader(const Arguments& args, size_t next) : m_args(args), m_next(next) {}

  bool Int(int& value) {
    if (m_next >= m_args.size()) return Missing();
    const std::string& text = m_args[m_next];
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return Bad("a whole number");
    ++m_next;
    return true;
  }

  bool Float(float& value) {
    if (m_next >= m_args.size()) return Missing();
    const std::string& text = m_args[m_next];
    char* end = nullptr;
    value = std::strtof(text.c_str(), &end);
    if (text.empty() || *end != '\0') return Bad("a number");
    ++m_next;
    return true;
  }

  // 0xBBGGRR from "RRGGBB".
  bool Colour(COLORREF& value) {
    if (m_next >= m_args.size()) return Missing();
    if (!IsColour(m_args[m_next])) return Bad("a colour RRGGBB");
    const unsigned long rgb = std::strtoul(m_args[m_next].c_str(), nullptr, 16);
    value = RGB(BYTE(rgb >> 16), BYTE(rgb >> 8), BYTE(rgb));
    ++m_next;
    return true;
  }

  // A built-in filter kernel by name or number.
  bool Kernel(int& value) {
    if (m_next >= m_args.size()) return Missing();
    const std::optional<int> kernel = ParseKernel(m_args[m_next]);
    if (!kernel) return Bad("a filter kernel (pics help apply lists them)");
    value = *kernel;
    ++m_next;
    return true;
  }

  // An optional trailing whole number (such as a filter strength).
  bool OptionalInt(int& value) {
    if (m_next >= m_args.size()) return true;
    int parsed = 0;
    const std::string& text = m_args[m_next];
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error == std::errc() && end == text.data() + text.size()) value = parsed, ++m_next;
    return true;
  }

  bool AtEnd() const { return m_next >= m_args.size(); }
  const std::string& Take() { return m_args[m_next++]; }
  bool NextIsColour() const { return m_next < m_args.size() && IsColour(m_args[m_next]); }
  const std::string& error() const { return m_error; }

 private:
  static bool IsColour(const std::string& text) {
    return text.size() == 6 &&
           text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
  }
  bool Missing() {
    m_error = "missing argument";
    return false;
  }
  bool Bad(const char* what) {
    m_error = "'" + m_args[m_next] + "' is not " + what;
    return false;
  }

  const Arguments& m_args;
  size_t m_next;
  std::string m_error;
};

// After a static operation on the object's DIB: its size, depth and palette again.
int Refresh(CPics& picture, int result) {
  if (!result) return 0;
  picture.GetDIBHeader();
  if (picture.m_bitsPerPixel <= 8 && picture.m_PaletteBuffer) {
    CPics::GetDIBPalette(picture.m_hDIB, picture.m_PaletteBuffer);
    picture.CreateImagePalette();
  }
  return 1;
}

// Runs one operation named op; false with a message when it cannot.
bool ApplyOne(CPics& p, const std::string& op, ArgumentReader& in, std::string& message) {
  int a = 0, b = 0, c = 0, d = 0;
  float f = 0;
  int result = -1;
  if (op == "to24")
    result = p.ConvertTo24BPP();
  else if (op == "to8")
    result = p.ConvertTo8BPP();
  else if (op == "gray")
    result = p.ConvertToGray(0);
  else if (op == "bw")
    result = in.Int(a) ? p.ConvertToBlackAndWhite(a, 0) : -2;
  else if (op == "posterize")
    result = in.Int(a) ? Refresh(p, CPics::SetColorDepth(&p.m_hDIB, a, nullptr)) : -2;
  else if (op == "rotate")
    result = in.Float(f) ? p.RotateCW(f) : -2;
  else if (op == "rotate-cw")
    result = p.RotateCW();
  else if (op == "rotate-ccw")
    result = p.RotateCCW();
  else if (op == "flip-h")
    result = p.FlipHorz();
  else if (op == "flip-v")
    result = p.FlipVert();
  else if (op == "resize")
    result = in.Float(f) ? p.Resize(f) : -2;
  else if (op == "crop")
    result =
        in.Int(a) && in.Int(b) && in.Int(c) && in.Int(d) ? p.Crop(POINT{a, b}, SIZE{c, d}) : -2;
  else if (op == "filter3" || op == "filter5") {
    int strength = 10;
    if (!in.Kernel(a) || !in.OptionalInt(strength))
      result = -2;
    else
      result = op == "filter3" ? p.ImageFilter3X3(a, nullptr, strength)
                               : p.ImageFilter(a, nullptr, strength);
  } else if (op == "brightness")
    result = in.Int(a) && in.Int(b) ? p.AdjustBrightnessContrast(a, b) : -2;
  else if (op == "thin")
    result = in.Int(a) ? Refresh(p, CPics::ThinImage(&p.m_hDIB, a)) : -2;
  else if (op == "select") {
    COLORREF replacement = 0;
    std::vector<COLORREF> keep;
    if (!in.Colour(replacement) || !in.Int(a)) {
      result = -2;
    } else {
      while (in.NextIsColour()) {
        COLORREF colour = 0;
        in.Colour(colour);
        keep.push_back(colour);
      }
      if (keep.empty()) {
        message = "select needs at least one colour to keep";
        return false;
      }
      result = Refresh(
          p, CPics::ColorSelection(&p.m_hDIB, replacement, keep.data(), int(keep.size()), a));
    }
  } else if (op == "contour") {
    result = in.Int(a) && in.Int(b) && in.Int(c) && in.Int(d)
                 ? Refresh(p, CPics::ContourDetection(&p.m_hDIB, a, b, c, d))
                 : -2;
  }
  if (result == -1)
    message = "unknown operation '" + op + "'";
  else if (result == -2)
    message = op + ": " + in.error();
  else if (result == 0)
    message = op + " failed";
  return result == 1;
}

}  // namespace

int RunApply(const Arguments& given) {
  Arguments args = given;
  OutputOptions output;
  std::string error;
  if (!TakeOutputOptions(args, &output, &error)) return Fail(error);
  if (args.size() < 3)
    return Fail(
        "usage: pics apply IN OUT [--type NAME] [--quality N] OP [ARGS...] [OP [ARGS...]...]");
  const std::string& in = args[0];
  const std::string& out = args[1];
  const std::optional<short> type = OutputType(out, output.type);
  if (!type) return Fail("cannot tell the output format from " + out + "; give --type NAME");
  int status = kOk;
  PicturePtr picture = OpenInput(in, &status);
  if (!picture) return status;

  ArgumentReader reader(args, 2);
  while (!reader.AtEnd()) {
    const std::string op = reader.Take();
    std::string message;
    ProgressBar progress(op);
    if (!ApplyOne(*picture, op, reader, message)) return Fail(message);
  }
  picture->SetEncoderOptions(EncoderOptions(output, "").c_str());
  return SaveOutput(*picture, out, *type);
}

}  // namespace pics
