#pragma once
// Packs the next file of an upload on a thread of its own while the current one is
// being sent, so that packing and the network work at the same time. Only local
// temporary files are made ahead; the server sees files strictly in list order.
#include <future>
#include <string>
#include <vector>

namespace tidewell {

class PackAhead {
 public:
  PackAhead(const std::vector<std::string>& localPaths, bool packFirst, bool packSecond,
            std::string passPhrase);
  // Waits for a packing still running and removes every packed file not taken.
  ~PackAhead();
  PackAhead(const PackAhead&) = delete;
  PackAhead& operator=(const PackAhead&) = delete;

  // Starts packing file i (nothing when packing is off, i is past the end, or it was
  // started already).
  void Start(size_t i);
  // Whether file i packed, and the packed file, which the caller then owns. Waits for
  // it (starting it first when needed).
  bool Take(size_t i, std::string& packedPath);

 private:
  struct Result {
    bool ok = false;
    std::string path;
  };

  const std::vector<std::string>& localPaths_;
  bool packFirst_;
  bool packSecond_;
  std::string passPhrase_;
  size_t started_ = 0;  // files [0, started_) were started
  std::vector<std::future<Result>> pending_;
};

}  // namespace tidewell
