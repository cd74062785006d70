#pragma once
// Whether an update run may trust the list it fetched: with a public key, the packed list
// must carry a valid signature and every entry a hash; without one the run goes on as
// it always did, with a warning that the list is not signed.
#include <memory>
#include <string>

#include "tidewell/updateset/update_list.h"

class QObject;

namespace tidewell {

class TransferJob;

// The public key file of a product: the given one (--public-key), else TIDEWELL_PUBLIC_KEY,
// else the UpdatePublicKey value of the product's own machine key. Empty for none.
std::string PublicKeyPathFor(const std::string& productName, const std::string& given);

class ListTrust {
 public:
  explicit ListTrust(std::string publicKeyPath = "") : publicKeyPath_(std::move(publicKeyPath)) {}
  const std::string& publicKeyPath() const { return publicKeyPath_; }

  // Starts fetching the list to localListPath, unpacked; with a key, the packed list and
  // its signature are fetched instead, to be checked and unpacked by AcceptList.
  std::shared_ptr<TransferJob> StartFetch(const std::string& listUrl,
                                          const std::string& localListPath, QObject* window,
                                          bool showProgress, unsigned message,
                                          const std::string& passPhrase) const;

  // After the job ended: true when localListPath holds a list the run may read. A
  // refusal is reported in one line on standard error.
  bool AcceptList(bool fetched, const std::string& localListPath,
                  const std::string& passPhrase) const;

  // After the list was read: true when its entries may be used.
  bool AcceptEntries(const UpdateList& list, const std::string& productName) const;

 private:
  std::string publicKeyPath_;
};

}  // namespace tidewell
