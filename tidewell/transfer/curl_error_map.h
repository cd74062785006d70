#pragma once

namespace tidewell {

// The internet error number for a libcurl result code (an int holding a CURLcode).
// passwordGiven tells a refused login apart: without a password the user name was
// refused, with one the password.
int InternetErrorFromCurl(int curlCode, bool passwordGiven = true);

}  // namespace tidewell
