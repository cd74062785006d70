#pragma once

namespace tidewell {

// Answers to the question an FTP upload asks before it replaces a file on the server.
enum OverwriteAnswer : int {
  kOverwriteCancel = 0,
  kOverwriteNo = 1,
  kOverwriteYes = 2,
  kOverwriteYesToAll = 3,
};

}  // namespace tidewell
