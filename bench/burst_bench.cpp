// Burst throughput: the customers report at scale 100 burst by customer to PDF, by one
// exporter process and by two processes sharing the work as shards 0/2 and 1/2, from SQLite
// and, when a server is named (OXQR_BENCH_POSTGRES_URI or OXQR_TEST_POSTGRES_URI), from
// PostgreSQL. Prints documents per second from the wall clock and from each process's CPU time
// (the machine may be shared, so the CPU figures say what dedicated cores would give), and
// for PostgreSQL the round trips per document, counted from libpq's trace of one more run
// (every answer the server ends with ReadyForQuery; a detail read is an execution of a named
// statement).
//   burst_bench [SCALE] [ROUNDS]   (default 100 and 2; the best round of each is compared)
// OXQR_BENCH_EXPORTER names another exporter to measure (an earlier build, for a comparison).
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
#include "PgBenchSupport.h"

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

// The exporter measured: OXQR_BENCH_EXPORTER (another build's, to compare) or this build's.
std::string Exporter() {
  const char* other = std::getenv("OXQR_BENCH_EXPORTER");
  return other && *other ? other : OXQR_EXPORTER;
}

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

// Starts `shards` exporters at once, each writing its shard into `out`, and waits for all.
// With `trace`, libpq's trace of every process goes to that file.
TBatchRun Run(const std::string& db, int shards, const fs::path& out, const std::string& trace = {}) {
  fs::remove_all(out);
  fs::create_directories(out);
  const std::string tmpl = (out / "{CustNo}.pdf").string();
  TBatchRun run;
  std::vector<pid_t> pids;
  const auto start = std::chrono::steady_clock::now();
  for (int s = 0; s < shards; ++s) {
    const std::string shard = std::to_string(s) + "/" + std::to_string(shards);
    std::vector<std::string> args{Exporter(), "--quiet", "--db", db, "--shard", shard, "--burst", "CustNo",
                                  "customers", tmpl};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);  // the summary line
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    if (!trace.empty()) env.push_back("OXQR_PG_TRACE=" + trace);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0) pids.push_back(pid);
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

struct TRoundTrips {
  long Answers = 0;      // ReadyForQuery messages: the server's answers to everything sent
  long DetailReads = 0;  // executions of named (prepared, per master record) statements
};

TRoundTrips CountRoundTrips(const std::string& trace) {
  TRoundTrips r;
  std::FILE* f = std::fopen(trace.c_str(), "r");
  if (!f) return r;
  char line[4096];
  while (std::fgets(line, sizeof line, f)) {
    const std::string l = line;
    if (l.starts_with("B\t") && l.find("\tReadyForQuery\t") != std::string::npos) ++r.Answers;
    if (l.starts_with("F\t") && l.find("\tBind\t") != std::string::npos && l.find("\"oxqr_s") != std::string::npos)
      ++r.DetailReads;
  }
  std::fclose(f);
  return r;
}

// The rounds of one database; returns the best one-process run.
TBatchRun Measure(const char* source, const std::string& db, int rounds, const fs::path& out) {
  std::printf("%s (%s)\n", source, db.c_str());
  std::vector<TBatchRun> ones, twos;
  for (int r = 0; r < rounds; ++r) {
    ones.push_back(Run(db, 1, out));
    Print("1 process", ones.back());
    twos.push_back(Run(db, 2, out));
    Print("2 processes", twos.back());
    std::fflush(stdout);
  }
  const TBatchRun& one = Best(ones);
  const TBatchRun& two = Best(twos);
  double cpu1 = 0, longest2 = 0;
  for (const auto& p : one.Processes) cpu1 += p.CpuSeconds;
  for (const auto& p : two.Processes) longest2 = std::max(longest2, p.CpuSeconds);
  std::printf("best rounds: speed-up with 2 processes %.2fx by the wall clock, %.2fx on dedicated cores (CPU time)\n",
              one.WallSeconds / two.WallSeconds, cpu1 / longest2);
  std::printf("per core: %.1f documents per CPU second\n", one.Documents / cpu1);
  if (one.Documents == 0 || one.Documents != two.Documents) std::printf("  documents missing\n");
  return one;
}

}  // namespace

int main(int argc, char** argv) {
  const int scale = argc > 1 ? std::atoi(argv[1]) : 100;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const fs::path out = fs::temp_directory_path() / ("oxqr-burst-bench-" + std::to_string(getpid()));
  std::printf("customers at scale %d burst by CustNo to PDF, %d rounds\n", scale, rounds);
  const TBatchRun lite = Measure("SQLite", oxqr::bench::DatabaseAtScale(scale), rounds, out);
  bool ok = lite.Documents > 0;
  if (!oxqr::bench::ServerUri().empty()) {
    const std::string uri = oxqr::bench::ServerDatabaseAtScale(scale);
    const TBatchRun pg = Measure("PostgreSQL", uri, rounds, out);
    const std::string trace = (out.string() + ".trace");
    std::remove(trace.c_str());
    const TBatchRun traced = Run(uri, 1, out, trace);
    const TRoundTrips trips = CountRoundTrips(trace);
    std::remove(trace.c_str());
    const double docs = std::max(1, traced.Documents);
    std::printf("PostgreSQL round trips: %ld answers for %d documents: %.2f per document besides %.2f detail reads "
                "per document (%ld in all)\n",
                trips.Answers, traced.Documents, (trips.Answers - trips.DetailReads) / docs, trips.DetailReads / docs,
                trips.DetailReads);
    double cpuLite = 0, cpuPg = 0;
    for (const auto& p : lite.Processes) cpuLite += p.CpuSeconds;
    for (const auto& p : pg.Processes) cpuPg += p.CpuSeconds;
    std::printf("PostgreSQL / SQLite, one process: %.2fx by the wall clock, %.2fx in CPU time of the exporter\n",
                pg.WallSeconds / lite.WallSeconds, cpuPg / cpuLite);
    ok = ok && pg.Documents == lite.Documents;
  } else {
    std::printf("PostgreSQL: no server named (OXQR_BENCH_POSTGRES_URI); skipped\n");
  }
  fs::remove_all(out);
  return ok ? 0 : 1;
}
