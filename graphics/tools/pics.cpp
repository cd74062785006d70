// pics: a command-line face of the picture library.
#include <cstdio>
#include <cstring>
#include <exception>

#include "pics_commands.h"

#ifndef PICS_VERSION
#define PICS_VERSION "1.0.0"
#endif

namespace {

struct Command {
  const char* name;
  int (*run)(const pics::Arguments&);
  const char* usage;
};

const Command kCommands[] = {
    {"info", pics::RunInfo, "info FILE"},
    {"convert", pics::RunConvert,
     "convert IN OUT [--type NAME] [--quality N] [--dither] [--decoder-options S] "
     "[--encoder-options S]"},
    {"apply", pics::RunApply, "apply IN OUT [--type NAME] [--quality N] OP [ARGS...]..."},
    {"trace", pics::RunTrace,
     "trace IN [--svg OUT] [--raw] [--threshold P] [--passes N] [--min N] [--merge N]"},
    {"draw", pics::RunDraw,
     "draw IN OUT [--type NAME] [--size WxH] [--zoom Z] [--transparent RRGGBB] "
     "[--gif-display 0|1]"},
    {"formats", pics::RunFormats, "formats"},
    {"help", pics::RunHelp, "help [apply]"},
};

void PrintUsage(std::FILE* out) {
  std::fprintf(out, "usage:\n");
  for (const Command& command : kCommands) std::fprintf(out, "  pics %s\n", command.usage);
  std::fprintf(out,
               "  pics --help | --version\n"
               "IN may be - (standard input); OUT may be - (standard output, give --type).\n"
               "Formats: bmp gif pcx jpeg tga tiff xbm png (see pics formats); operations: pics "
               "help apply.\n"
               "Exit status: 0 done, 1 bad arguments or a failed operation, 2 no such file,\n"
               "3 not a picture, 4 damaged picture, 5 cannot write.\n");
}

}  // namespace

namespace pics {

int Fail(const std::string& message, int status) {
  std::fprintf(stderr, "pics: %s\n", message.c_str());
  return status;
}

int RunHelp(const Arguments& args) {
  if (args.empty()) {
    PrintUsage(stdout);
    return kOk;
  }
  if (args.size() == 1 && args[0] == "apply") {
    std::printf(
        "pics apply IN OUT [--type NAME] [--quality N] OP [ARGS...] [OP [ARGS...]...]\n"
        "Operations, applied left to right:\n"
        "  to24                        convert to 24 bits per pixel\n"
        "  to8                         reduce to 8 bits (256 colours, median cut)\n"
        "  gray                        grey levels\n"
        "  bw T                        black and white, threshold T (0-255)\n"
        "  posterize N                 reduce to N colours\n"
        "  rotate A                    turn A degrees clockwise (result 24 bits)\n"
        "  rotate-cw, rotate-ccw       quarter turn clockwise or counter-clockwise\n"
        "  flip-h, flip-v              mirror left-right or top-bottom\n"
        "  resize F                    scale by factor F\n"
        "  crop X Y W H                keep W x H pixels from X, Y (top left)\n"
        "  filter3 KERNEL [STRENGTH]   3 x 3 filter; strength 0 none, 10 full (default), 20 "
        "double\n"
        "  filter5 KERNEL [STRENGTH]   5 x 5 filter\n"
        "  brightness B C              brightness -100..100 and contrast -48..48\n"
        "  thin PASSES                 thin strokes to centre lines\n"
        "  select RRGGBB TOL RRGGBB... keep colours near the listed ones (within TOL),\n"
        "                              paint the rest with the first colour\n"
        "  contour R P M N             contours: posterise level R (0 none, 1-99), threshold P "
        "%%,\n"
        "                              mode M (0 edges, else threshold only), thinning passes N\n"
        "Kernels (name or number): %s\n",
        KernelNames().c_str());
    return kOk;
  }
  return Fail("help takes no argument or 'apply'");
}

int RunFormats(const Arguments& args) {
  if (!args.empty()) return Fail("usage: pics formats");
  std::printf("%-5s %-4s %-5s %-5s %-16s %s\n", "name", "type", "read", "write", "extensions",
              "other names");
  for (const FormatName& format : Formats())
    std::printf("%-5s %-4d %-5s %-5s %-16s %s\n", format.name, format.type, "yes", "yes",
                format.extensions, format.aliases);
  return kOk;
}

}  // namespace pics

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage(stderr);
    return pics::kUsage;
  }
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    PrintUsage(stdout);
    return pics::kOk;
  }
  if (std::strcmp(argv[1], "--version") == 0) {
    std::printf("pics %s\n", PICS_VERSION);
    return pics::kOk;
  }
  for (const Command& command : kCommands) {
    if (std::strcmp(argv[1], command.name) != 0) continue;
    try {
      return command.run(pics::Arguments(argv + 2, argv + argc));
    } catch (const std::exception& error) {
      return pics::Fail(error.what());
    }
  }
  std::fprintf(stderr, "pics: unknown command '%s'\n", argv[1]);
  PrintUsage(stderr);
  return pics::kUsage;
}
