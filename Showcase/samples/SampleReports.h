#pragma once
// The sample reports, shared by the command-line exporter and the showcase program: each is
// a report definition file (customers.oxr, ...) loaded with the tables it reads.
#include <memory>
#include <string>
#include <vector>

#include "engine/Report.h"

namespace oxqr {

struct TSampleContext {
  std::string DatabasePath;  // the DEMODATA SQLite file
  std::string ResourceDir;   // folder holding RichTextDemo.RTF and other sample files
  std::string ReportDir = {};  // folder of the sample definitions; empty: see SampleReportsDir
};

class TSampleReport {
 public:
  virtual ~TSampleReport() = default;
  virtual std::string Key() const = 0;    // "customers", "events", "richtext", "chart", "labels", "sales"
  virtual std::string Title() const = 0;  // the report's title
  virtual TQRCustomReport& Report() = 0;
};

std::unique_ptr<TSampleReport> MakeCustomersReport(const TSampleContext& ctx);
std::unique_ptr<TSampleReport> MakeEventsReport(const TSampleContext& ctx);
std::unique_ptr<TSampleReport> MakeRichTextReport(const TSampleContext& ctx);
std::unique_ptr<TSampleReport> MakeChartReport(const TSampleContext& ctx);
std::unique_ptr<TSampleReport> MakeLabelsReport(const TSampleContext& ctx);
std::unique_ptr<TSampleReport> MakeSalesReport(const TSampleContext& ctx);

// The keys of every sample report, in tab order.
std::vector<std::string> SampleReportKeys();
// The definition file of sample `key`; throws std::invalid_argument for an unknown key.
std::string SampleReportFile(const std::string& key, const TSampleContext& ctx);
// Loads the sample `key`; throws std::invalid_argument for an unknown key and
// EDefinitionError when its definition or data cannot be read.
std::unique_ptr<TSampleReport> MakeSampleReport(const std::string& key, const TSampleContext& ctx);

}  // namespace oxqr
