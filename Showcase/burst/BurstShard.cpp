#include "BurstShard.h"

#include <charconv>

#include "BurstNames.h"

namespace oxqr {

namespace {

// A whole non-negative decimal number, or -1.
int Number(std::string_view text) {
  int value = -1;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty() && value >= 0 ? value : -1;
}

TShard Checked(int index, int count, const std::string& what) {
  if (count < 1) throw EBurstError(what + ": the number of shards must be at least 1");
  if (index < 0 || index >= count)
    throw EBurstError(what + ": shard " + std::to_string(index) + " is not in 0.." + std::to_string(count - 1));
  return {index, count};
}

int Variable(const std::function<const char*(const char*)>& getenv, const char* name) {
  const char* text = getenv(name);
  const int value = text ? Number(text) : -1;
  if (value < 0) {
    throw EBurstError(std::string("environment variable ") + name +
                      (text ? " is not a whole number: \"" + std::string(text) + "\"" : " is not set"));
  }
  return value;
}

}  // namespace

TShard ParseShard(const std::string& text) {
  const auto slash = text.find('/');
  const int index = slash == std::string::npos ? -1 : Number(std::string_view(text).substr(0, slash));
  const int count = slash == std::string::npos ? -1 : Number(std::string_view(text).substr(slash + 1));
  if (index < 0 || count < 0) throw EBurstError("--shard expects I/N (for example 0/4), got \"" + text + "\"");
  return Checked(index, count, "--shard " + text);
}

TShard ShardFromEnvironment(int shards, const std::function<const char*(const char*)>& getenv) {
  if (getenv("JOB_COMPLETION_INDEX")) {
    if (shards <= 0) throw EBurstError("JOB_COMPLETION_INDEX is set: give the number of shards with --shards N");
    return Checked(Variable(getenv, "JOB_COMPLETION_INDEX"), shards, "JOB_COMPLETION_INDEX");
  }
  if (getenv("SLURM_ARRAY_TASK_ID")) {
    const int id = Variable(getenv, "SLURM_ARRAY_TASK_ID");
    // With the count given, the array is 0 .. N-1 and a task resubmitted alone keeps its share.
    if (shards > 0) return Checked(id, shards, "SLURM_ARRAY_TASK_ID");
    const int first = getenv("SLURM_ARRAY_TASK_MIN") ? Variable(getenv, "SLURM_ARRAY_TASK_MIN") : 0;
    return Checked(id - first, Variable(getenv, "SLURM_ARRAY_TASK_COUNT"), "SLURM_ARRAY_TASK_ID");
  }
  throw EBurstError("--shard-from-env: neither JOB_COMPLETION_INDEX nor SLURM_ARRAY_TASK_ID is set");
}

}  // namespace oxqr
