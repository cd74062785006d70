// pics convert IN OUT [--type NAME] [--quality N] [--dither] [--decoder-options S]
// [--encoder-options S]. The output format comes from --type, else from OUT's extension.
#include "pics_commands.h"

namespace pics {

int RunConvert(const Arguments& given) {
  Arguments args = given;
  OutputOptions output;
  std::string error;
  if (!TakeOutputOptions(args, &output, &error)) return Fail(error);
  std::vector<std::string> files;
  short dither = 0;
  std::string decoderOptions, encoderOptions;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--dither") {
      dither = 1;
    } else if (arg == "--decoder-options" && hasValue) {
      decoderOptions = args[++i];
    } else if (arg == "--encoder-options" && hasValue) {
      encoderOptions = args[++i];
    } else if (arg.rfind("--", 0) == 0) {
      return Fail("unknown or incomplete option " + arg);
    } else {
      files.push_back(arg);
    }
  }
  if (files.size() != 2)
    return Fail(
        "usage: pics convert IN OUT [--type NAME] [--quality N] [--dither] "
        "[--decoder-options S] [--encoder-options S]");
  encoderOptions = EncoderOptions(output, encoderOptions);
  if (decoderOptions.size() >= 260 || encoderOptions.size() >= 260)
    return Fail("option strings must be shorter than 260 characters");
  const std::string& in = files[0];
  const std::string& out = files[1];
  const std::optional<short> type = OutputType(out, output.type);
  if (!type) return Fail("cannot tell the output format from " + out + "; give --type NAME");

  int status = kOk;
  PicturePtr picture;
  {
    ProgressBar progress("convert");
    picture =
        OpenInput(in, &status, dither, decoderOptions.empty() ? nullptr : decoderOptions.c_str());
  }
  if (!picture) return status;
  picture->SetEncoderOptions(encoderOptions.c_str());
  return SaveOutput(*picture, out, *type);
}

}  // namespace pics
