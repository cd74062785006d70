#include "tidewell/app/list_trust.h"

#include <unistd.h>

#include <cstdlib>
#include <iostream>

#include "tidewell/app/string_table.h"
#include "tidewell/packing/pack_file.h"
#include "tidewell/platform/file_copy.h"
#include "tidewell/platform/folders.h"
#include "tidewell/platform/registry.h"
#include "tidewell/platform/system_error.h"
#include "tidewell/transfer/http_download.h"
#include "tidewell/trust/file_hash.h"
#include "tidewell/trust/signature_check.h"

namespace tidewell {
namespace {

std::string PackedPath(const std::string& localListPath) { return localListPath + ".packed"; }
std::string SignaturePath(const std::string& localListPath) { return localListPath + ".sig"; }

void Refuse(const std::string& reason) { std::cerr << "tidewell: " << reason << "\n"; }

}  // namespace

std::string PublicKeyPathFor(const std::string& productName, const std::string& given) {
  if (!given.empty()) return given;
  if (const char* env = std::getenv("TIDEWELL_PUBLIC_KEY"); env != nullptr && *env != '\0')
    return env;
  if (productName.empty()) return "";
  return RegReadString(Hive::LocalMachine, LoadString(kStrMakerKey) + productName,
                       "UpdatePublicKey")
      .value_or("");
}

std::shared_ptr<TransferJob> ListTrust::StartFetch(const std::string& listUrl,
                                                   const std::string& localListPath,
                                                   QObject* window, bool showProgress,
                                                   unsigned message,
                                                   const std::string& passPhrase) const {
  const TransferLimits listLimits{kMaxPackedListSize, kMaxListSize, ""};
  if (publicKeyPath_.empty()) {
    return StartHttpDownload({listUrl}, {localListPath}, window, false, showProgress, message, true,
                             true, passPhrase, {listLimits});
  }
  // The signature covers the packed bytes, so both arrive as the server holds them.
  // It is asked for at the address the list was asked for, before any redirect.
  return StartHttpDownload({listUrl, listUrl + ".sig"},
                           {PackedPath(localListPath), SignaturePath(localListPath)}, window, false,
                           showProgress, message, false, false, passPhrase,
                           {listLimits, {kMaxSignatureFileSize, -1, ""}});
}

bool ListTrust::AcceptList(bool fetched, const std::string& localListPath,
                           const std::string& passPhrase) const {
  if (publicKeyPath_.empty()) return fetched;
  const std::string packedPath = PackedPath(localListPath);
  const std::string signaturePath = SignaturePath(localListPath);
  if (!fetched) {
    // A list that arrived without its signature is a refusal worth naming.
    if (FileExists(packedPath) && !FileExists(signaturePath))
      Refuse("update list signature is missing");
    return false;
  }
  const std::optional<std::string> key = ReadSmallFile(publicKeyPath_, 64 * 1024);
  if (!key) {
    Refuse("cannot read the update list public key " + publicKeyPath_);
    return false;
  }
  const std::optional<std::string> packed = ReadSmallFile(packedPath, kMaxPackedListSize);
  const std::optional<std::string> signature = ReadSmallFile(signaturePath, kMaxSignatureFileSize);
  if (!packed || !signature) {
    Refuse("update list or its signature could not be read");
    return false;
  }
  if (const std::optional<std::string> reason = CheckSignature(*packed, *signature, *key)) {
    Refuse(*reason);
    return false;
  }
  std::string unpacked;
  if (!UnpackFile(packedPath, true, true, passPhrase, unpacked)) {
    Refuse("update list could not be unpacked");
    return false;
  }
  if (MoveFileOver(unpacked, localListPath, NewFileMode::Default) != kErrorSuccess) {
    ::unlink(unpacked.c_str());
    return false;
  }
  return true;
}

bool ListTrust::AcceptEntries(const UpdateList& list, const std::string& productName) const {
  if (publicKeyPath_.empty()) {
    std::cerr << "tidewell: warning: the update list of " << productName
              << " is not signed; no public key is configured\n";
    return true;
  }
  for (const UpdateEntry& entry : list) {
    if (!IsSha256Hex(entry.sha256)) {
      Refuse("update list entry " + entry.name + " has no valid SHA256");
      return false;
    }
  }
  return true;
}

}  // namespace tidewell
