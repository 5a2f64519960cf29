#include "Showcase/samples/SampleReports.h"

#include <stdexcept>

namespace oxqr {

std::vector<std::string> SampleReportKeys() {
  std::vector<std::string> keys = {"customers", "events"};
#ifdef OXQR_HAVE_RICHTEXT_SAMPLE
  keys.push_back("richtext");
#endif
#ifdef OXQR_HAVE_CHART_SAMPLE
  keys.push_back("chart");
#endif
  return keys;
}

std::unique_ptr<TSampleReport> MakeSampleReport(const std::string& key, const TSampleContext& ctx) {
  if (key == "customers") return MakeCustomersReport(ctx);
  if (key == "events") return MakeEventsReport(ctx);
#ifdef OXQR_HAVE_RICHTEXT_SAMPLE
  if (key == "richtext") return MakeRichTextReport(ctx);
#endif
#ifdef OXQR_HAVE_CHART_SAMPLE
  if (key == "chart") return MakeChartReport(ctx);
#endif
  throw std::invalid_argument("Unknown sample report \"" + key + "\"");
}

}  // namespace oxqr
