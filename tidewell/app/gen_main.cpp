// tidewell-gen: the generator's operations without windows, for release pipelines.

#include <iostream>
#include <string>
#include <vector>

#include "tidewell/app/gen_cli.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return tidewell::RunGeneratorCommand(args, std::cout, std::cerr);
}
