#pragma once

#include <string>

namespace tidewell {

// The address of a file below baseUrl: each '/'-separated segment of relativePath
// percent-encoded as RFC 3986 asks (every byte but letters, digits and "-._~", so the
// UTF-8 bytes of other letters too), the separators kept. Empty when encoding failed.
std::string UrlBelow(const std::string& baseUrl, const std::string& relativePath);

}  // namespace tidewell
