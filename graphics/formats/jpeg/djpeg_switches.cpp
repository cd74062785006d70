#include "graphics/formats/jpeg/djpeg_switches.h"

namespace graphics {
namespace {

// The last output format named wins, -rle included.
void SelectFormat(DjpegSettings* s, DecodedFormat format) {
  s->format = format;
  s->rle = false;
}

}  // namespace

bool ParseDjpegSwitches(int argc, char** argv, DjpegSettings* s, int* fileIndex,
                        std::string* error) {
  const auto own = [s, error](const char* raw, const char* arg, const SwitchValue& value) {
    const auto bad = [error](const std::string& why) {
      *error = why;
      return false;
    };
    if (KeywordMatches(arg, "bmp", 1)) {
      SelectFormat(s, DecodedFormat::WindowsBmp);
    } else if (KeywordMatches(arg, "colors", 1) || KeywordMatches(arg, "colours", 1) ||
               KeywordMatches(arg, "quantize", 1) || KeywordMatches(arg, "quantise", 1)) {
      const char* v = value();
      const auto n = v ? LeadingInt(v) : std::nullopt;
      if (!n) return bad(std::string(raw) + " needs a number of colours");
      s->colours = *n;
      s->quantize = true;
    } else if (KeywordMatches(arg, "dither", 2)) {
      const char* v = value();
      if (v == nullptr) return bad("-dither needs fs, none or ordered");
      if (KeywordMatches(v, "fs", 2))
        s->dither = JDITHER_FS;
      else if (KeywordMatches(v, "none", 2))
        s->dither = JDITHER_NONE;
      else if (KeywordMatches(v, "ordered", 2))
        s->dither = JDITHER_ORDERED;
      else
        return bad("-dither needs fs, none or ordered");
      s->ditherGiven = true;
    } else if (KeywordMatches(arg, "gif", 1)) {
      SelectFormat(s, DecodedFormat::Gif);
    } else if (KeywordMatches(arg, "map", 3)) {
      const char* v = value();
      if (v == nullptr) return bad("-map needs a file name");
      s->mapFile = v;
    } else if (KeywordMatches(arg, "nosmooth", 3)) {
      s->noSmooth = true;
    } else if (KeywordMatches(arg, "onepass", 3)) {
      s->onePass = true;
    } else if (KeywordMatches(arg, "os2", 3)) {
      SelectFormat(s, DecodedFormat::Os2Bmp);
    } else if (KeywordMatches(arg, "pnm", 1) || KeywordMatches(arg, "ppm", 1)) {
      SelectFormat(s, DecodedFormat::Pnm);
    } else if (KeywordMatches(arg, "rle", 1)) {
      s->rle = true;
    } else if (KeywordMatches(arg, "scale", 1)) {
      const char* v = value();
      const auto fraction = v ? ScaleFraction(v) : std::nullopt;
      if (!fraction || fraction->first <= 0 || fraction->second <= 0)
        return bad("-scale needs a fraction M/N of positive numbers");
      s->scaleNum = fraction->first;
      s->scaleDenom = fraction->second;
      s->scaleGiven = true;
    } else if (KeywordMatches(arg, "targa", 1)) {
      SelectFormat(s, DecodedFormat::Targa);
    } else {
      return bad(std::string("unknown switch ") + raw);
    }
    return true;
  };
  return ReadSwitches(argc, argv, s, own, fileIndex, error);
}

void ApplyDjpegSettings(const DjpegSettings& s, jpeg_decompress_struct& info) {
  if (s.quantize) {
    info.quantize_colors = TRUE;
    info.desired_number_of_colors = s.colours;
  }
  if (s.dct) info.dct_method = *s.dct;
  if (s.ditherGiven) info.dither_mode = s.dither;
  if (s.grayscale) info.out_color_space = JCS_GRAYSCALE;
  if (s.noSmooth) info.do_fancy_upsampling = FALSE;
  if (s.onePass) info.two_pass_quantize = FALSE;
  if (s.scaleGiven) {
    info.scale_num = static_cast<unsigned>(s.scaleNum);
    info.scale_denom = static_cast<unsigned>(s.scaleDenom);
  }
  if (s.maxMemory >= 0) info.mem->max_memory_to_use = s.maxMemory;
  info.err->trace_level += s.verbosity;
}

}  // namespace graphics
