#include "server/Metrics.h"

#include <unistd.h>

#include <fstream>
#include <sstream>

namespace oxqr::serve {

namespace {

// Label values escaped as the text format wants them.
std::string Label(const std::string& v) {
  std::string out;
  for (const char c : v) {
    if (c == '\\' || c == '"') out += '\\';
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    out += c;
  }
  return out;
}

}  // namespace

void TMetrics::CountRender(const std::string& report, const std::string& format, int status, double seconds) {
  const std::lock_guard lock(mutex_);
  ++renders_[{report, format, status}];
  for (std::size_t i = 0; i < kBounds.size(); ++i)
    if (seconds <= kBounds[i]) ++buckets_[i];
  ++count_;
  sum_ += seconds;
}

std::string TMetrics::Text(const TGauges& g) const {
  std::ostringstream out;
  const std::lock_guard lock(mutex_);
  out << "# HELP oxqr_renders_total Render requests by report, format and HTTP status.\n"
      << "# TYPE oxqr_renders_total counter\n";
  for (const auto& [key, n] : renders_)
    out << "oxqr_renders_total{report=\"" << Label(std::get<0>(key)) << "\",format=\"" << Label(std::get<1>(key))
        << "\",status=\"" << std::get<2>(key) << "\"} " << n << '\n';
  out << "# HELP oxqr_render_duration_seconds Time from a render request to its answer.\n"
      << "# TYPE oxqr_render_duration_seconds histogram\n";
  for (std::size_t i = 0; i < kBounds.size(); ++i)
    out << "oxqr_render_duration_seconds_bucket{le=\"" << kBounds[i] << "\"} " << buckets_[i] << '\n';
  out << "oxqr_render_duration_seconds_bucket{le=\"+Inf\"} " << count_ << '\n'
      << "oxqr_render_duration_seconds_sum " << sum_ << '\n'
      << "oxqr_render_duration_seconds_count " << count_ << '\n';
  auto gauge = [&out](const char* name, const char* help, const char* type, long long v) {
    out << "# HELP " << name << ' ' << help << "\n# TYPE " << name << ' ' << type << '\n' << name << ' ' << v << '\n';
  };
  gauge("oxqr_queue_length", "Requests waiting for a worker.", "gauge", g.Queued);
  gauge("oxqr_workers_busy", "Workers rendering.", "gauge", g.Busy);
  gauge("oxqr_workers", "Workers of the pool.", "gauge", g.Workers);
  gauge("oxqr_worker_restarts_total", "Workers started again after a crash, a time-out or a cancel.", "counter",
        static_cast<long long>(g.Restarts));
  gauge("oxqr_resident_memory_bytes", "Resident memory of the service process.", "gauge", g.ResidentBytes);
  gauge("oxqr_worker_resident_memory_bytes", "Resident memory of all workers together.", "gauge", g.WorkerResidentBytes);
  return out.str();
}

long long ResidentBytes(int pid) {
  std::ifstream statm(pid == 0 ? std::string("/proc/self/statm") : "/proc/" + std::to_string(pid) + "/statm");
  long long size = 0, resident = 0;
  if (!(statm >> size >> resident)) return 0;
  return resident * sysconf(_SC_PAGESIZE);
}

}  // namespace oxqr::serve
