#include "Locale.h"

#include <atomic>
#include <mutex>

namespace oxqr {
namespace {

std::atomic<char> gDecimalSeparator{'.'};
std::atomic<char> gThousandSeparator{','};

std::mutex gClockMutex;
std::optional<TLocalTime> gFixedNow;
std::optional<int> gFixedBias;

}  // namespace

char DecimalSeparator() { return gDecimalSeparator.load(); }
char ThousandSeparator() { return gThousandSeparator.load(); }
void SetDecimalSeparator(char c) { gDecimalSeparator.store(c); }
void SetThousandSeparator(char c) { gThousandSeparator.store(c); }

TLocalTime Now() {
  {
    const std::lock_guard lock(gClockMutex);
    if (gFixedNow) return *gFixedNow;
  }
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  TLocalTime t;
  localtime_r(&ts.tv_sec, &t.Tm);
  t.Milliseconds = static_cast<int>(ts.tv_nsec / 1000000);
  return t;
}

void SetFixedNow(std::optional<TLocalTime> fixed) {
  const std::lock_guard lock(gClockMutex);
  gFixedNow = fixed;
}

int TimeZoneBiasMinutes() {
  {
    const std::lock_guard lock(gClockMutex);
    if (gFixedBias) return *gFixedBias;
  }
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  // UTC = local time + bias.
  return static_cast<int>(-local.tm_gmtoff / 60);
}

void SetTimeZoneBias(std::optional<int> minutes) {
  const std::lock_guard lock(gClockMutex);
  gFixedBias = minutes;
}

}  // namespace oxqr
