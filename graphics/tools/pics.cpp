// pics: a command-line face of the picture library.
#include <cstdio>
#include <cstring>
#include <exception>

#include "pics_commands.h"

namespace {

struct Command {
  const char* name;
  int (*run)(const pics::Arguments&);
  const char* usage;
};

const Command kCommands[] = {
    {"info", pics::RunInfo, "info FILE"},
    {"convert", pics::RunConvert,
     "convert IN OUT [--type N] [--dither] [--decoder-options S] [--encoder-options S]"},
    {"apply", pics::RunApply,
     "apply IN OUT OP [ARGS...]... (to24 to8 gray bw T posterize N rotate A rotate-cw rotate-ccw "
     "flip-h flip-v resize F crop X Y W H filter3 I [S] filter5 I [S] brightness B C thin N "
     "select RRGGBB TOL RRGGBB... contour R P M N)"},
    {"trace", pics::RunTrace,
     "trace IN [--svg OUT] [--raw] [--threshold P] [--passes N] [--min N] [--merge N]"},
    {"draw", pics::RunDraw,
     "draw IN OUT [--size WxH] [--zoom Z] [--transparent RRGGBB] [--gif-display 0|1]"},
};

int Usage() {
  std::fprintf(stderr, "usage:\n");
  for (const Command& command : kCommands) std::fprintf(stderr, "  pics %s\n", command.usage);
  return 1;
}

}  // namespace

namespace pics {
int Fail(const std::string& message) {
  std::fprintf(stderr, "pics: %s\n", message.c_str());
  return 1;
}
}  // namespace pics

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  for (const Command& command : kCommands) {
    if (std::strcmp(argv[1], command.name) != 0) continue;
    try {
      return command.run(pics::Arguments(argv + 2, argv + argc));
    } catch (const std::exception& error) {
      return pics::Fail(error.what());
    }
  }
  std::fprintf(stderr, "pics: unknown command '%s'\n", argv[1]);
  return Usage();
}
