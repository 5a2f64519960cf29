#include "StopSignal.h"

namespace oxqr {

namespace {

constexpr int kSignals[3] = {SIGTERM, SIGINT, SIGHUP};
volatile std::sig_atomic_t gReceived = 0;

void Remember(int signal) { gReceived = signal; }

}  // namespace

TStopSignal::TStopSignal() {
  gReceived = 0;
  struct sigaction action {};
  action.sa_handler = Remember;
  sigemptyset(&action.sa_mask);
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &action, &previous_[i]);
}

TStopSignal::~TStopSignal() {
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &previous_[i], nullptr);
}

int TStopSignal::Received() { return gReceived; }

}  // namespace oxqr
