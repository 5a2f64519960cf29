#pragma once
// Shared set-up of the report benchmarks: a DEMODATA database per scale, built once
// per process into a temporary folder (by a child process), and the process's peak memory.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>

#include "data/tools/DemoDataBuilder.h"

namespace oxqr::bench {

inline std::string DatabaseAtScale(int scale) {
  static std::map<int, std::string> built;
  auto it = built.find(scale);
  if (it != built.end()) return it->second;
  const auto dir = std::filesystem::temp_directory_path() / "oxqr-bench";
  std::filesystem::create_directories(dir);
  const std::string path = (dir / ("DEMODATA-x" + std::to_string(scale) + ".sqlite")).string();
  // Built in a child process, so that the builder's memory does not count in the
  // benchmark's peak RSS.
  // Each benchmark process builds its own copy under a name of its own and renames it into
  // place, so that benchmarks started side by side never read a half-built file.
  const std::string own = path + "." + std::to_string(getpid()) + ".building";
  const pid_t child = fork();
  if (child == 0) {
    int rc = 0;
    try {
      TDemoDataOptions options;
      options.Scale = scale;
      BuildDemoDatabase(own, options);
      std::filesystem::rename(own, path);
    } catch (...) {
      std::error_code ec;
      std::filesystem::remove(own, ec);
      rc = 1;
    }
    _exit(rc);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error("could not build the sample database " + path);
  return built[scale] = path;
}

// Times `run` once per iteration of `state` (benchmarks with UseManualTime, so that set-up
// stays outside) and returns the seconds of all iterations together.
template <class State, class Run>
double TimedIterations(State& state, Run&& run) {
  double total = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    run();
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(s);
    total += s;
  }
  return total;
}

// Peak resident set size of the process so far, in MiB.
inline double PeakRssMiB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_maxrss) / 1024.0;
}

}  // namespace oxqr::bench
