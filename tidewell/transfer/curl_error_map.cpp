#include "tidewell/transfer/curl_error_map.h"

#include <curl/curl.h>

#include "tidewell/transfer/internet_exception.h"

namespace tidewell {

int InternetErrorFromCurl(int curlCode, bool passwordGiven) {
  switch (static_cast<CURLcode>(curlCode)) {
    case CURLE_OPERATION_TIMEDOUT:
      return kInternetTimeout;
    case CURLE_URL_MALFORMAT:
      return kInternetInvalidUrl;
    case CURLE_UNSUPPORTED_PROTOCOL:
      return kInternetUnrecognizedScheme;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return kInternetNameNotResolved;
    case CURLE_COULDNT_CONNECT:
      return kInternetCannotConnect;
    case CURLE_LOGIN_DENIED:
      return passwordGiven ? kInternetIncorrectPassword : kInternetIncorrectUserName;
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
      return kInternetFtpDropped;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_WEIRD_227_FORMAT:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_TOO_MANY_REDIRECTS:
      return kInternetInvalidServerResponse;
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_QUOTE_ERROR:
    case CURLE_FTP_COULDNT_RETR_FILE:
    case CURLE_FTP_COULDNT_SET_TYPE:
    case CURLE_FTP_PORT_FAILED:
    case CURLE_FTP_ACCEPT_FAILED:
    case CURLE_UPLOAD_FAILED:
      return kInternetExtendedError;
    case CURLE_OUT_OF_MEMORY:
      return kInternetOutOfMemory;
    case CURLE_ABORTED_BY_CALLBACK:
      return kInternetOperationCancelled;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
      return kInternetSecureChannelError;
    default:
      return kInternetInternalError;
  }
}

}  // namespace tidewell
