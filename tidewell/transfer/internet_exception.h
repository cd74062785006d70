#pragma once

#include <stdexcept>
#include <string>

namespace tidewell {

// Internet error numbers in the Windows Internet numbering, which the transfer
// layer's reports are built on.
enum InternetError : int {
  kInternetOutOfMemory = 8,
  kInternetTimeout = 12002,
  kInternetExtendedError = 12003,
  kInternetInternalError = 12004,
  kInternetInvalidUrl = 12005,
  kInternetUnrecognizedScheme = 12006,
  kInternetNameNotResolved = 12007,
  kInternetIncorrectUserName = 12013,
  kInternetIncorrectPassword = 12014,
  kInternetLoginFailure = 12015,
  kInternetOperationCancelled = 12017,
  kInternetCannotConnect = 12029,
  kInternetConnectionAborted = 12030,
  kInternetFtpDropped = 12111,
  kInternetInvalidServerResponse = 12152,
  kInternetSecureChannelError = 12157,
};

// A failure of the internet client: an error number and the context value of the
// session or request that failed.
class InternetException : public std::runtime_error {
 public:
  InternetException(int error, int context, const std::string& detail = "")
      : std::runtime_error(detail.empty() ? "internet error " + std::to_string(error) : detail),
        error_(error),
        context_(context) {}

  int error() const { return error_; }
  int context() const { return context_; }

 private:
  int error_;
  int context_;
};

// The text an FTP job shows for an internet failure: the five known numbers by name,
// anything else as "Internet Error" with the context value and the error number.
std::string InternetErrorText(int error, int context);

}  // namespace tidewell
