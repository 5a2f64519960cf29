#pragma once
// The service's counters in the Prometheus text format: renders by report, format and
// status, a histogram of request durations, and gauges read when scraped.
#include <array>
#include <map>
#include <mutex>
#include <string>
#include <tuple>

namespace oxqr::serve {

struct TGauges {
  int Queued = 0;
  int Busy = 0;
  int Workers = 0;
  unsigned long long Restarts = 0;
  long long ResidentBytes = 0;        // the service itself
  long long WorkerResidentBytes = 0;  // all workers together
};

class TMetrics {
 public:
  void CountRender(const std::string& report, const std::string& format, int status, double seconds);
  std::string Text(const TGauges& gauges) const;

 private:
  static constexpr std::array<double, 10> kBounds{0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1, 2.5, 10};
  mutable std::mutex mutex_;
  std::map<std::tuple<std::string, std::string, int>, unsigned long long> renders_;
  std::array<unsigned long long, kBounds.size()> buckets_{};
  unsigned long long count_ = 0;
  double sum_ = 0;
};

// Resident memory of process `pid` (0: this one) in bytes, from /proc; 0 when it is gone.
long long ResidentBytes(int pid = 0);

}  // namespace oxqr::serve
