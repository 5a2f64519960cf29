#pragma once
// A batch process asked to stop (SIGTERM from a scheduler, SIGINT from a terminal, SIGHUP)
// finishes the output it is writing and stops before the next one, so that it leaves no
// temporary file behind. While an object of this class lives, those signals only set a flag.
#include <csignal>

namespace oxqr {

class TStopSignal {
 public:
  TStopSignal();
  ~TStopSignal();  // puts the previous handlers back
  TStopSignal(const TStopSignal&) = delete;
  TStopSignal& operator=(const TStopSignal&) = delete;

  // The signal received since construction, 0 when none.
  static int Received();

 private:
  struct sigaction previous_[3];
};

}  // namespace oxqr
