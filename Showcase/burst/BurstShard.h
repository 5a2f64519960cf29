#pragma once
// Which bursts one process of a batch writes: those whose position in the master's order is
// Index modulo Count, so that Count processes started with Index = 0 .. Count - 1 write every
// file exactly once between them.
#include <functional>
#include <string>

namespace oxqr {

struct TShard {
  int Index = 0;
  int Count = 1;
  bool Holds(int position) const { return position % Count == Index; }
};

// "I/N" with 0 <= I < N; throws EBurstError for anything else.
TShard ParseShard(const std::string& text);

// Reads the environment through `getenv`: JOB_COMPLETION_INDEX with `shards` processes
// (an indexed job of a cluster scheduler; `shards` 0 when not given), else SLURM_ARRAY_TASK_ID
// of a job array: the shard itself with `shards` given (an array 0 .. shards-1, so that a task
// resubmitted alone keeps its share), else counted from SLURM_ARRAY_TASK_MIN (when set) of
// SLURM_ARRAY_TASK_COUNT. Throws EBurstError naming the variable that is missing or wrong.
TShard ShardFromEnvironment(int shards, const std::function<const char*(const char*)>& getenv);

}  // namespace oxqr
