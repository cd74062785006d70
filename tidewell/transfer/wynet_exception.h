#pragma once

#include <exception>
#include <string>

namespace tidewell {

// The transfer layer's own failure report: one code from the table in
// WynetMessage(). Thrown by value and caught by each job's outer handler.
class WynetException : public std::exception {
 public:
  WynetException() = default;
  explicit WynetException(int code) : code_(code) {}

  int code() const { return code_; }
  // The code's message ("Wynet: ..."), empty for 3 (cancelled) and unknown codes.
  const char* what() const noexcept override;

 private:
  int code_ = 0;
};

// Codes thrown by the transfer jobs.
enum WynetCode : int {
  kWynetProtocolError = 1,
  kWynetGeneralError = 2,
  kWynetCancelled = 3,
  kWynetNullPath = 4,
  kWynetNullUrl = 5,
  kWynetFileError = 6,
  kWynetNoUpdateNeeded = 7,
  kWynetIncompleteParameters = 8,
  kWynetListMismatch = 9,
  kWynetChangeDirError = 10,
  kWynetCreateDirError = 11,
  kWynetCreateFileError = 12,
  kWynetFileDirConflict = 13,
  kWynetRemoveFileError = 14,
  kWynetDetermineDirError = 15,
  kWynetFileNotFound = 16,
  kWynetRetrieveError = 17,
  kWynetCompressError = 18,
  kWynetUncompressError = 19,
  kWynetEncryptError = 20,
  kWynetDecryptError = 21,
};

// The message of a code; "" for codes without one (3, and anything outside 1..21).
std::string WynetMessage(int code);

}  // namespace tidewell
