#include "tidewell/transfer/pack_ahead.h"

#include <unistd.h>

#include "tidewell/packing/pack_file.h"

namespace tidewell {

PackAhead::PackAhead(const std::vector<std::string>& localPaths, bool packFirst, bool packSecond,
                     std::string passPhrase)
    : localPaths_(localPaths),
      packFirst_(packFirst),
      packSecond_(packSecond),
      passPhrase_(std::move(passPhrase)),
      pending_(localPaths.size()) {}

PackAhead::~PackAhead() {
  for (auto& pending : pending_) {
    if (!pending.valid()) continue;
    const Result result = pending.get();
    if (result.ok && !result.path.empty()) ::unlink(result.path.c_str());
  }
}

void PackAhead::Start(size_t i) {
  if (!(packFirst_ || packSecond_) || i >= localPaths_.size() || i < started_) return;
  while (started_ <= i) {
    const std::string source = localPaths_[started_];
    pending_[started_] = std::async(std::launch::async, [this, source] {
      Result result;
      result.ok = PackFile(source, packFirst_, packSecond_, passPhrase_, result.path);
      return result;
    });
    ++started_;
  }
}

bool PackAhead::Take(size_t i, std::string& packedPath) {
  packedPath.clear();
  Start(i);
  if (i >= pending_.size() || !pending_[i].valid()) return false;
  Result result = pending_[i].get();
  packedPath = std::move(result.path);
  return result.ok;
}

}  // namespace tidewell
