// pics convert IN OUT [--type N] [--dither] [--decoder-options S] [--encoder-options S]
// The output format comes from --type, else from OUT's extension.
#include <charconv>
#include <memory>

#include "Pics.h"
#include "pics_commands.h"

namespace pics {

namespace {
struct PictureCloser {
  void operator()(CPics* picture) const { CPics::ClosePicture(picture); }
};
}  // namespace

int RunConvert(const Arguments& args) {
  std::vector<std::string> files;
  short type = PictureByExtension;
  short dither = 0;
  std::string decoderOptions, encoderOptions;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--dither") {
      dither = 1;
    } else if (arg == "--type" && hasValue) {
      const std::string& value = args[++i];
      int number = 0;
      const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
      if (error != std::errc() || end != value.data() + value.size() || number < 1 || number > 8)
        return Fail("--type takes a picture type from 1 to 8, not '" + value + "'");
      type = static_cast<short>(number);
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
        "usage: pics convert IN OUT [--type N] [--dither] "
        "[--decoder-options S] [--encoder-options S]");
  if (decoderOptions.size() >= 260 || encoderOptions.size() >= 260)
    return Fail("option strings must be shorter than 260 characters");
  const std::string& in = files[0];
  const std::string& out = files[1];

  if (type == PictureByExtension && CPics::TypeFromExtension(out.c_str()) == PictureByExtension)
    return Fail("cannot tell the output format from " + out + "; give --type N");
  std::unique_ptr<CPics, PictureCloser> picture(CPics::OpenPicture(
      in.c_str(), dither, decoderOptions.empty() ? nullptr : decoderOptions.c_str()));
  if (!picture) return Fail("cannot read " + in);
  picture->SetEncoderOptions(encoderOptions.c_str());
  if (!picture->SavePictureAs(out.c_str(), type))
    return Fail("cannot write " + out + " (format not available or file not writable)");
  return 0;
}

}  // namespace pics
