// The commands of the pics tool. Each takes the arguments after its own name and
// returns the exit status; messages go to standard error.
#pragma once

#include <string>
#include <vector>

namespace pics {

using Arguments = std::vector<std::string>;

int RunInfo(const Arguments& args);
int RunConvert(const Arguments& args);
int RunApply(const Arguments& args);
int RunTrace(const Arguments& args);
int RunDraw(const Arguments& args);

// Prints "pics: <message>" on standard error and returns 1.
int Fail(const std::string& message);

}  // namespace pics
