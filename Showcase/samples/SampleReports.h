#pragma once
// The sample reports, built in code, shared by the command-line exporter and the
// showcase program. Each sample owns its report and the tables it reads.
#include <memory>
#include <string>
#include <vector>

#include "engine/Report.h"

namespace oxqr {

struct TSampleContext {
  std::string DatabasePath;  // the DEMODATA SQLite file
  std::string ResourceDir;   // folder holding RichTextDemo.RTF and other sample files
};

class TSampleReport {
 public:
  virtual ~TSampleReport() = default;
  virtual std::string Key() const = 0;    // "customers", "events", "richtext", "chart", "labels"
  virtual std::string Title() const = 0;  // the report's title
  virtual TQRCustomReport& Report() = 0;
};

std::unique_ptr<TSampleReport> MakeCustomersReport(const TSampleContext& ctx);
std::unique_ptr<TSampleReport> MakeEventsReport(const TSampleContext& ctx);
std::unique_ptr<TSampleReport> MakeRichTextReport(const TSampleContext& ctx);
std::unique_ptr<TSampleReport> MakeChartReport(const TSampleContext& ctx);
std::unique_ptr<TSampleReport> MakeLabelsReport(const TSampleContext& ctx);

// The keys of every sample report, in tab order.
std::vector<std::string> SampleReportKeys();
// Builds the sample `key`; throws std::invalid_argument for an unknown key.
std::unique_ptr<TSampleReport> MakeSampleReport(const std::string& key, const TSampleContext& ctx);

}  // namespace oxqr
