#include "Showcase/samples/SampleReports.h"

#include <stdexcept>

namespace oxqr {

std::vector<std::string> SampleReportKeys() { return {"customers", "events", "richtext", "chart", "labels"}; }

std::unique_ptr<TSampleReport> MakeSampleReport(const std::string& key, const TSampleContext& ctx) {
  if (key == "customers") return MakeCustomersReport(ctx);
  if (key == "events") return MakeEventsReport(ctx);
  if (key == "richtext") return MakeRichTextReport(ctx);
  if (key == "chart") return MakeChartReport(ctx);
  if (key == "labels") return MakeLabelsReport(ctx);
  throw std::invalid_argument("Unknown sample report \"" + key + "\"");
}

}  // namespace oxqr
