#pragma once

#include <cstdint>
#include <string>

namespace tidewell {

// Trace lines of the download workers on standard output, each preceded by an
// empty line. A line is written whole: lines of different workers never mix.
void LogModified(const std::string& url, int64_t lastModified);
void LogBegin(const std::string& url);
void LogSwitch(const std::string& url);
void LogEnd(const std::string& url);
void LogCancelled(const std::string& url);
void LogWorkerError(int index);
void LogWorkerCancelled(int index);

// The one line written to standard error, for an address that is not http://.
void LogHttpOnlyError();

// One line on standard error: the file at url was refused, and why.
void LogRefused(const std::string& url, const std::string& reason);
// "%m/%d/%Y %H:%M:%S" of a time kept as local time.
std::string FormatLogTime(int64_t time);

}  // namespace tidewell
