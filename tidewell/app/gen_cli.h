#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tidewell {

// The generator's command-line front end for release scripts: the first argument
// names a subcommand, the rest are its arguments. Returns the exit status: 0 on
// success, 1 on any failure (with a message on err).
int RunGeneratorCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tidewell
