// pics draw IN OUT [--type NAME] [--size WxH] [--zoom Z] [--transparent RRGGBB]
// [--gif-display 0|1]. Draws the picture into a memory device context the way a host
// window would and saves what the context then shows (the output format comes from
// --type, else from OUT's extension; OUT may be "-").
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "Pics.h"
#include "pics_commands.h"

namespace pics {

namespace {

bool ParseInt(const std::string& text, int& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

bool ParseSize(const std::string& text, int& width, int& height) {
  const auto x = text.find('x');
  return x != std::string::npos && ParseInt(text.substr(0, x), width) &&
         ParseInt(text.substr(x + 1), height) && width >= 1 && height >= 1 && width <= 32767 &&
         height <= 32767;
}

bool ParseColor(const std::string& text, COLORREF& color) {
  unsigned value = 0;
  if (text.size() != 6) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + 6, value, 16);
  if (error != std::errc() || end != text.data() + 6) return false;
  color = RGB(BYTE(value >> 16), BYTE(value >> 8), BYTE(value));
  return true;
}

// A memory context over a screen-compatible bitmap, released when done.
class Canvas {
 public:
  Canvas(int width, int height) {
    HDC screen = GetDC(nullptr);
    m_bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    if (m_bitmap == nullptr || !m_dc.CreateCompatibleDC(nullptr)) return;
    m_previous = SelectObject(m_dc.m_hDC, m_bitmap);
  }
  ~Canvas() {
    if (m_previous != nullptr) SelectObject(m_dc.m_hDC, m_previous);
    if (m_bitmap != nullptr) DeleteObject(m_bitmap);
  }
  bool valid() const { return m_previous != nullptr; }
  CDC* dc() { return &m_dc; }

 private:
  CDC m_dc;
  HBITMAP m_bitmap = nullptr;
  HBITMAP m_previous = nullptr;
};

// Light checks behind a picture with a transparent colour, so what shows through is seen.
void PaintChecks(HDC dc, int width, int height) {
  PatBlt(dc, 0, 0, width, height, WHITENESS);
  for (int y = 0; y < height; y += 8)
    for (int x = (y / 8) % 2 * 8; x < width; x += 16)
      for (int py = y; py < y + 8 && py < height; ++py)
        for (int px = x; px < x + 8 && px < width; ++px) SetPixel(dc, px, py, RGB(204, 204, 204));
}

}  // namespace

int RunDraw(const Arguments& given) {
  Arguments args = given;
  OutputOptions output;
  std::string error;
  if (!TakeOutputOptions(args, &output, &error)) return Fail(error);
  std::vector<std::string> files;
  int width = 0, height = 0;
  double zoom = 0;
  bool transparent = false;
  COLORREF transparentColor = 0;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--size" && hasValue) {
      if (!ParseSize(args[++i], width, height))
        return Fail("--size takes WxH with sides from 1 to 32767");
    } else if (arg == "--zoom" && hasValue) {
      const std::string& value = args[++i];
      char* end = nullptr;
      zoom = std::strtod(value.c_str(), &end);
      if (end != value.c_str() + value.size() || !(zoom > 0) || zoom > 100000)
        return Fail("--zoom takes a factor above 0, not '" + value + "'");
    } else if (arg == "--transparent" && hasValue) {
      if (!ParseColor(args[++i], transparentColor)) return Fail("--transparent takes RRGGBB");
      transparent = true;
    } else if (arg == "--gif-display" && hasValue) {
      const std::string& value = args[++i];
      if (value != "0" && value != "1") return Fail("--gif-display takes 0 or 1");
      CPics::GifImageDisplayEnable = value == "1" ? 1 : 0;
    } else if (arg.rfind("--", 0) == 0) {
      return Fail("unknown or incomplete option " + arg);
    } else {
      files.push_back(arg);
    }
  }
  if (files.size() != 2)
    return Fail(
        "usage: pics draw IN OUT [--type NAME] [--size WxH] [--zoom Z] [--transparent RRGGBB] "
        "[--gif-display 0|1]");
  const std::string& in = files[0];
  const std::string& out = files[1];
  const std::optional<short> type = OutputType(out, output.type);
  if (!type) return Fail("cannot tell the output format from " + out + "; give --type NAME");

  int status = kOk;
  PicturePtr picture = OpenInput(in, &status);
  if (!picture) return status;
  picture->m_bTransparent = transparent ? 1 : 0;
  picture->m_transparentColor = transparentColor;

  // The destination: the picture at the zoom, else the whole canvas.
  const double factor = zoom > 0 ? zoom : 1.0;
  const double drawnWidth = std::round(picture->m_width * factor);
  const double drawnHeight = std::round(picture->m_height * factor);
  if (width == 0) {
    if (drawnWidth < 1 || drawnHeight < 1 || drawnWidth > 32767 || drawnHeight > 32767)
      return Fail("the drawn picture would not fit a canvas; give --size WxH");
    width = int(drawnWidth);
    height = int(drawnHeight);
  }
  const RECT dest =
      zoom > 0 ? RECT{0, 0, LONG(std::min(drawnWidth, 2e9)), LONG(std::min(drawnHeight, 2e9))}
               : RECT{0, 0, width, height};

  Canvas canvas(width, height);
  if (!canvas.valid()) return Fail("cannot make a drawing surface of that size");
  HDC dc = canvas.dc()->m_hDC;
  if (transparent)
    PaintChecks(dc, width, height);
  else
    PatBlt(dc, 0, 0, width, height, WHITENESS);
  CPalette* previous = nullptr;
  picture->SetPal(canvas.dc(), &previous, 0);
  if (!picture->DisplayPicture(canvas.dc(), &dest))
    return Fail("nothing of the picture is visible");

  PicturePtr shown(CPics::NewPicture(canvas.dc(), RECT{0, 0, width, height}, nullptr, *type));
  if (!shown) return Fail("cannot capture the drawing");
  shown->SetEncoderOptions(EncoderOptions(output, "").c_str());
  return SaveOutput(*shown, out, *type);
}

}  // namespace pics
