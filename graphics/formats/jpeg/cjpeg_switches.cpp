#include "graphics/formats/jpeg/cjpeg_switches.h"

namespace graphics {

bool ParseCjpegSwitches(int argc, char** argv, CjpegSettings* s, int* fileIndex,
                        std::string* error) {
  const auto own = [s, error](const char* raw, const char* arg, const SwitchValue& value) {
    const auto bad = [error](const std::string& why) {
      *error = why;
      return false;
    };
    if (KeywordMatches(arg, "arithmetic", 1)) {
      s->arithmetic = true;
    } else if (KeywordMatches(arg, "baseline", 1)) {
      s->baseline = true;
    } else if (KeywordMatches(arg, "optimize", 1) || KeywordMatches(arg, "optimise", 1)) {
      s->optimize = true;
    } else if (KeywordMatches(arg, "progressive", 1)) {
      s->progressive = true;
    } else if (KeywordMatches(arg, "quality", 1)) {
      const char* v = value();
      const auto q = v ? LeadingInt(v) : std::nullopt;
      if (!q) return bad("-quality needs a number from 0 to 100");
      s->quality = *q;
    } else if (KeywordMatches(arg, "qslots", 2)) {
      const char* v = value();
      const auto slots = v ? TableSlots(v) : std::nullopt;
      if (!slots) return bad("-qslots needs table numbers from 0 to 3, separated by commas");
      s->slots = *slots;
    } else if (KeywordMatches(arg, "qtables", 2)) {
      const char* v = value();
      if (v == nullptr) return bad("-qtables needs a file name");
      s->qtablesFile = v;
    } else if (KeywordMatches(arg, "restart", 1)) {
      const char* v = value();
      const auto spacing = v ? RestartValue(v) : std::nullopt;
      if (!spacing) return bad("-restart needs a number from 0 to 65535 (with B for blocks)");
      s->restart = *spacing;
    } else if (KeywordMatches(arg, "sample", 2)) {
      const char* v = value();
      const auto factors = v ? SamplingFactors(v) : std::nullopt;
      if (!factors) return bad("-sample needs HxV factors from 1 to 4, separated by commas");
      s->sampling = *factors;
    } else if (KeywordMatches(arg, "scans", 2)) {
      const char* v = value();
      if (v == nullptr) return bad("-scans needs a file name");
      s->scansFile = v;
    } else if (KeywordMatches(arg, "smooth", 2)) {
      const char* v = value();
      const auto factor = v ? LeadingInt(v) : std::nullopt;
      if (!factor || *factor < 0 || *factor > 100)
        return bad("-smooth needs a number from 0 to 100");
      s->smoothing = *factor;
    } else if (KeywordMatches(arg, "targa", 1)) {
      s->targaInput = true;
    } else {
      return bad(std::string("unknown switch ") + raw);
    }
    return true;
  };
  return ReadSwitches(argc, argv, s, own, fileIndex, error);
}

bool LoadCjpegScripts(const CjpegSettings& s, CjpegScripts* scripts, std::string* error) {
  std::string text;
  if (!s.qtablesFile.empty()) {
    if (!ReadScriptFile(s.qtablesFile, &text, error)) return false;
    if (!ParseQuantTables(text, &scripts->tables, error)) {
      *error = s.qtablesFile + ": " + *error;
      return false;
    }
  }
  if (!s.scansFile.empty()) {
    if (!ReadScriptFile(s.scansFile, &text, error)) return false;
    if (!ParseScanScript(text, &scripts->scans, error)) {
      *error = s.scansFile + ": " + *error;
      return false;
    }
  }
  return true;
}

void ApplyCjpegSettings(const CjpegSettings& s, const CjpegScripts& scripts,
                        jpeg_compress_struct& info) {
  if (s.arithmetic) info.arith_code = TRUE;
  if (s.dct) info.dct_method = *s.dct;
  info.err->trace_level += s.verbosity;
  if (s.grayscale) jpeg_set_colorspace(&info, JCS_GRAYSCALE);
  if (s.maxMemory >= 0) info.mem->max_memory_to_use = s.maxMemory;
  if (s.optimize) info.optimize_coding = TRUE;
  if (s.restart) {
    info.restart_interval = s.restart->inBlocks ? static_cast<unsigned>(s.restart->value) : 0;
    info.restart_in_rows = s.restart->inBlocks ? 0 : static_cast<int>(s.restart->value);
  }
  if (s.smoothing) info.smoothing_factor = *s.smoothing;

  // Tables for the quality; tables from a file replace them, scaled the same way.
  const int quality = s.quality.value_or(75);
  jpeg_set_quality(&info, quality, s.baseline ? TRUE : FALSE);
  const int scale = s.quality ? jpeg_quality_scaling(quality) : 100;
  for (std::size_t i = 0; i < scripts.tables.size(); ++i)
    jpeg_add_quant_table(&info, static_cast<int>(i), scripts.tables[i].data(), scale,
                         s.baseline ? TRUE : FALSE);

  // Components beyond the lists take the last slot named, and 1x1 sampling.
  if (!s.slots.empty())
    for (int c = 0; c < MAX_COMPONENTS; ++c)
      info.comp_info[c].quant_tbl_no = s.slots[std::min<std::size_t>(c, s.slots.size() - 1)];
  if (!s.sampling.empty()) {
    for (int c = 0; c < MAX_COMPONENTS; ++c) {
      const bool given = static_cast<std::size_t>(c) < s.sampling.size();
      info.comp_info[c].h_samp_factor = given ? s.sampling[c].first : 1;
      info.comp_info[c].v_samp_factor = given ? s.sampling[c].second : 1;
    }
  }
  if (s.progressive) jpeg_simple_progression(&info);
  if (!scripts.scans.empty()) {
    info.scan_info = scripts.scans.data();
    info.num_scans = static_cast<int>(scripts.scans.size());
  }
}

}  // namespace graphics
