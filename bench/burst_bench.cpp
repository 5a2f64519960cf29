// Burst throughput: the customers report at scale 100 burst by customer to PDF, by one
// exporter process and by two processes sharing the work as shards 0/2 and 1/2. Prints
// documents per second from the wall clock and from each process's CPU time (the machine may
// be shared, so the CPU figures say what dedicated cores would give).
//   burst_bench [SCALE] [ROUNDS]   (default 100 and 2; the best round of each is compared)
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchSupport.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

struct TProcessRun {
  double CpuSeconds = 0;  // user + system
  int Status = -1;
};

struct TBatchRun {
  double WallSeconds = 0;
  std::vector<TProcessRun> Processes;
  int Documents = 0;
};

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

// Starts `shards` exporters at once, each writing its shard into `out`, and waits for all.
TBatchRun Run(const std::string& db, int shards, const fs::path& out) {
  fs::remove_all(out);
  fs::create_directories(out);
  const std::string tmpl = (out / "{CustNo}.pdf").string();
  TBatchRun run;
  std::vector<pid_t> pids;
  const auto start = std::chrono::steady_clock::now();
  for (int s = 0; s < shards; ++s) {
    const std::string shard = std::to_string(s) + "/" + std::to_string(shards);
    std::vector<std::string> args{OXQR_EXPORTER, "--quiet", "--db", db, "--shard", shard, "--burst", "CustNo",
                                  "customers", tmpl};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) pids.push_back(pid);
    posix_spawn_file_actions_destroy(&actions);
  }
  for (pid_t pid : pids) {
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.Processes.push_back({Seconds(usage.ru_utime) + Seconds(usage.ru_stime),
                             WIFEXITED(status) ? WEXITSTATUS(status) : -1});
  }
  run.WallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  for (const auto& e : fs::directory_iterator(out)) run.Documents += e.path().extension() == ".pdf" ? 1 : 0;
  return run;
}

void Print(const char* label, const TBatchRun& r) {
  double cpu = 0, longest = 0;
  for (const auto& p : r.Processes) {
    cpu += p.CpuSeconds;
    longest = std::max(longest, p.CpuSeconds);
  }
  std::printf("%-12s %6d documents  wall %7.2f s  %7.1f doc/s  | CPU %7.2f s (longest process %7.2f s)  "
              "%7.1f doc/s per CPU second  %7.1f doc/s on dedicated cores\n",
              label, r.Documents, r.WallSeconds, r.Documents / r.WallSeconds, cpu, longest, r.Documents / cpu,
              r.Documents / longest);
  for (const auto& p : r.Processes) {
    if (p.Status != 0) std::printf("  a process exited with status %d\n", p.Status);
  }
}

// The run of the best round: the least CPU time of its longest process (what another
// program's load on a shared machine added least to).
const TBatchRun& Best(const std::vector<TBatchRun>& runs) {
  const auto longest = [](const TBatchRun& r) {
    double l = 0;
    for (const auto& p : r.Processes) l = std::max(l, p.CpuSeconds);
    return l;
  };
  return *std::min_element(runs.begin(), runs.end(),
                           [&](const TBatchRun& a, const TBatchRun& b) { return longest(a) < longest(b); });
}

}  // namespace

int main(int argc, char** argv) {
  const int scale = argc > 1 ? std::atoi(argv[1]) : 100;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const std::string db = oxqr::bench::DatabaseAtScale(scale);
  const fs::path out = fs::temp_directory_path() / ("oxqr-burst-bench-" + std::to_string(getpid()));
  std::printf("customers at scale %d burst by CustNo to PDF, %d rounds (%s)\n", scale, rounds, db.c_str());
  std::vector<TBatchRun> ones, twos;
  for (int r = 0; r < rounds; ++r) {
    ones.push_back(Run(db, 1, out));
    Print("1 process", ones.back());
    twos.push_back(Run(db, 2, out));
    Print("2 processes", twos.back());
    std::fflush(stdout);
  }
  fs::remove_all(out);
  const TBatchRun& one = Best(ones);
  const TBatchRun& two = Best(twos);
  double cpu1 = 0, longest2 = 0;
  for (const auto& p : one.Processes) cpu1 += p.CpuSeconds;
  for (const auto& p : two.Processes) longest2 = std::max(longest2, p.CpuSeconds);
  std::printf("best rounds: speed-up with 2 processes %.2fx by the wall clock, %.2fx on dedicated cores (CPU time)\n",
              one.WallSeconds / two.WallSeconds, cpu1 / longest2);
  std::printf("per core: %.1f documents per CPU second\n", one.Documents / cpu1);
  return one.Documents > 0 && one.Documents == two.Documents ? 0 : 1;
}
