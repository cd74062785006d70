#include "tidewell/transfer/internet_exception.h"

#include <cstdio>

namespace tidewell {

std::string InternetErrorText(int error, int context) {
  switch (error) {
    case kInternetTimeout:
      return "Connection Timed out";
    case kInternetExtendedError:
      return "FTP Session error";
    case kInternetIncorrectUserName:
      return "Invalid Username";
    case kInternetIncorrectPassword:
      return "Invalid Password";
    case kInternetFtpDropped:
      return "FTP session dropped";
    default:
      break;
  }
  char text[96];
  std::snprintf(text, sizeof text, "Internet Error\n%d context\n%d error", context, error);
  return text;
}

}  // namespace tidewell
