#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace tidewell {

// Trace lines of the download workers, each preceded by an empty line, on standard error
// (standard output is kept for the messages a quiet run prints). A line is written
// whole: lines of different workers never mix.
void LogModified(const std::string& url, int64_t lastModified);
void LogBegin(const std::string& url);
void LogSwitch(const std::string& url);
void LogEnd(const std::string& url);
void LogCancelled(const std::string& url);
void LogWorkerError(int index);
void LogWorkerCancelled(int index);

// Where the trace lines go from now on (standard error unless set).
void SetTraceOutput(std::FILE* stream);

// The one line written to standard error, for an address that is neither http:// nor https://.
void LogHttpOnlyError();

// One line on standard error: the file at url was refused, and why.
void LogRefused(const std::string& url, const std::string& reason);

// Why a file could not be fetched, on standard error, in words a person can act on:
// the server's answer other than 200, or the internet error (its number and text).
void LogServerAnswer(const std::string& url, int status);
void LogFetchFailure(const std::string& url, int internetError, const std::string& detail);
// "%m/%d/%Y %H:%M:%S" of a time kept as local time.
std::string FormatLogTime(int64_t time);

}  // namespace tidewell
