// pics trace IN [--svg OUT] [--raw] [--threshold P] [--passes N] [--min N] [--merge N]
// Traces the dark strokes of a picture into polylines: printed one a line as
// "x,y x,y ..." (pixel centres, origin top left), or written as an SVG drawing
// ("-": to standard output).
// By default strokes are first cut at the threshold and thinned to centre lines;
// --raw traces every non-white pixel as it stands.
#include <charconv>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Pics.h"
#include "graphics/platform/replacing_file.h"
#include "pics_commands.h"

namespace pics {

namespace {

struct TraceEnd {
  ~TraceEnd() { CPics::EndAutoTrace(); }
};

struct TraceOptions {
  std::string in, svg;
  bool raw = false;
  int threshold = 50, passes = 20, minLineSize = 2, merge = 0;
};

bool ParseInt(const std::string& text, int& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

std::string Coordinates(const std::vector<float>& xs, const std::vector<float>& ys, int count) {
  std::ostringstream line;
  for (int i = 0; i < count; ++i) line << (i ? " " : "") << xs[size_t(i)] << ',' << ys[size_t(i)];
  // A lone point is drawn as a zero-length segment so that its round cap shows.
  if (count == 1) line << ' ' << xs[0] << ',' << ys[0];
  return line.str();
}

// Writes the drawing to standard output for "-"; otherwise as the library saves a
// picture: whole or not at all, through symbolic links, into devices and pipes.
bool WriteSvg(const std::string& path, int width, int height,
              const std::vector<std::string>& lines) {
  std::ostringstream svg;
  svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << width << "\" height=\"" << height
      << "\" viewBox=\"0 0 " << width << ' ' << height << "\">\n"
      << "<g fill=\"none\" stroke=\"black\" stroke-width=\"1\" stroke-linecap=\"round\" "
         "stroke-linejoin=\"round\">\n";
  for (const std::string& line : lines) svg << "<polyline points=\"" << line << "\"/>\n";
  svg << "</g>\n</svg>\n";
  const std::string text = svg.str();
  if (path == "-")
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
           std::fflush(stdout) == 0;
  graphics::ReplacingFile out;
  if (!out.Open(path.c_str())) return false;
  try {
    out.File().Write(text.data(), static_cast<UINT>(text.size()));
    out.Commit();
  } catch (const CFileException&) {
    return false;
  }
  return true;
}

}  // namespace

int RunTrace(const Arguments& args) {
  TraceOptions o;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--raw") {
      o.raw = true;
    } else if (arg == "--svg" && hasValue) {
      o.svg = args[++i];
    } else if ((arg == "--threshold" || arg == "--passes" || arg == "--min" || arg == "--merge") &&
               hasValue) {
      int& target = arg == "--threshold" ? o.threshold
                    : arg == "--passes"  ? o.passes
                    : arg == "--min"     ? o.minLineSize
                                         : o.merge;
      if (!ParseInt(args[++i], target))
        return Fail(arg + " takes a whole number, not '" + args[i] + "'");
    } else if (arg.rfind("--", 0) == 0 || !o.in.empty()) {
      return Fail(
          "usage: pics trace IN [--svg OUT] [--raw] [--threshold P] [--passes N] [--min N] "
          "[--merge N]");
    } else {
      o.in = arg;
    }
  }
  if (o.in.empty()) return Fail("usage: pics trace IN [--svg OUT]");
  int status = kOk;
  PicturePtr picture = OpenInput(o.in, &status);
  if (!picture) return status;

  const int reduce = o.raw ? -1 : 0;
  if (!CPics::BeginAutoTrace(picture->m_hDIB, reduce, o.threshold, o.minLineSize, 1, o.passes))
    return Fail("cannot trace " + o.in);
  TraceEnd end;
  const int width = picture->m_width, height = picture->m_height;
  constexpr int kMaxPoints = 4096;
  std::vector<float> xs(kMaxPoints), ys(kMaxPoints);
  // Points map to screen coordinates: the bottom stored row lands at the bottom.
  RECT frame{0, 0, width, height};
  std::vector<std::string> lines;
  int count = 0;
  while (CPics::GetNextLine(xs.data(), ys.data(), &count, kMaxPoints, &frame, o.merge)) {
    for (int i = 0; i < count; ++i) xs[size_t(i)] += 0.5f, ys[size_t(i)] -= 0.5f;  // pixel centres
    lines.push_back(Coordinates(xs, ys, count));
  }
  if (o.svg.empty()) {
    for (const std::string& line : lines) std::printf("%s\n", line.c_str());
    return 0;
  }
  if (!WriteSvg(o.svg, width, height, lines)) return Fail("cannot write " + o.svg, kCannotWrite);
  if (o.svg != "-") std::printf("%zu polylines written to %s\n", lines.size(), o.svg.c_str());
  return 0;
}

}  // namespace pics
