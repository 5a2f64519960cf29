// libFuzzer target of the definition loader. Whatever the input, loading either builds a
// report or throws EDefinitionError with a position: any other exception, a crash or a hang
// is a fault. Inputs load against the sample database with the sample folder as their own,
// so that datasets, fields and pictures resolve and the fuzzer reaches the deeper checks.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "charting/ChartApplication.h"
#include "definition/ReportDefinition.h"

using namespace oxqr;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    TryEnsureChartApplication();
    return true;
  }();
  (void)ready;
  TDefinitionOptions options;
  options.DatabasePath = OXQR_FUZZ_DATABASE;
  try {
    const auto definition = LoadReportDefinitionText(std::string(reinterpret_cast<const char*>(data), size),
                                                     OXQR_FUZZ_REPORTS_DIR "/fuzz.oxr", options);
    if (definition->Report().Bands().size() > 10000) std::abort();  // cannot hold more than the input
  } catch (const EDefinitionError& e) {
    if (e.Line() < 1 || e.Column() < 1) std::abort();
  }
  return 0;
}
