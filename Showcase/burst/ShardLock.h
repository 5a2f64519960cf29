#pragma once
// One run at a time per shard of a burst: two runs of the same shard writing into one folder
// would write and clean up each other's files. The run holds an advisory lock on a hidden file
// in the folder its name template writes into; a second run of that shard stops at once with
// a message naming the process that holds it. The lock ends with its process however it ends
// (on a network file system, as far as the file system's locks reach across machines).
#include <string>

#include "BurstShard.h"

namespace oxqr {

class TShardLock {
 public:
  // Takes the lock of `shard` of the outputs `nameTemplate` names, creating the folder they
  // go into. Throws EBurstError when another run holds it, or EFileError when the lock file
  // cannot be made.
  TShardLock(const std::string& nameTemplate, const TShard& shard);
  // Removes the lock file and lets the lock go.
  ~TShardLock();
  TShardLock(const TShardLock&) = delete;
  TShardLock& operator=(const TShardLock&) = delete;

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  int fd_ = -1;
};

// The lock file of `shard` for `nameTemplate`: in the folder of the template's part before its
// first field, named after the shard and a hash of the template, so that bursts of other
// templates into the same folder do not wait for each other.
std::string ShardLockPath(const std::string& nameTemplate, const TShard& shard);

}  // namespace oxqr
