// tidewell-gen: the generator's operations without windows, for release pipelines.

#include <iostream>
#include <string>
#include <vector>

#include "corvane_version.h"
#include "tidewell/app/gen_cli.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "--version") {
    std::cout << "tidewell-gen " << CORVANE_VERSION << "\n";
    return 0;
  }
  return tidewell::RunGeneratorCommand(args, std::cout, std::cerr);
}
