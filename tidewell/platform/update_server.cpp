#include "tidewell/platform/update_server.h"

#include <cstdlib>

namespace tidewell {

std::string UpdateServerAddress() {
  const char* env = std::getenv("TIDEWELL_UPDATE_SERVER");
  std::string address = (env && *env) ? env : kBuiltInUpdateServer;
  if (address.back() != '/') address += '/';
  return address;
}

}  // namespace tidewell
