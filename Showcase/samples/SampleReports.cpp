#include "Showcase/samples/SampleReports.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "Showcase/samples/SampleContext.h"
#include "definition/ReportDefinition.h"

namespace fs = std::filesystem;

namespace oxqr {

namespace {

class TDefinitionSample final : public TSampleReport {
 public:
  TDefinitionSample(std::string key, std::unique_ptr<TReportDefinition> definition)
      : key_(std::move(key)), definition_(std::move(definition)) {}
  std::string Key() const override { return key_; }
  std::string Title() const override { return definition_->Report().ReportTitle; }
  TQRCustomReport& Report() override { return definition_->Report(); }

 private:
  std::string key_;
  std::unique_ptr<TReportDefinition> definition_;
};

}  // namespace

std::vector<std::string> SampleReportKeys() { return {"customers", "events", "richtext", "chart", "labels", "sales"}; }

std::string SampleReportFile(const std::string& key, const TSampleContext& ctx) {
  const auto keys = SampleReportKeys();
  if (std::find(keys.begin(), keys.end(), key) == keys.end())
    throw std::invalid_argument("Unknown sample report \"" + key + "\"");
  return (fs::path(SampleReportsDir(ctx)) / (key + ".oxr")).string();
}

std::unique_ptr<TSampleReport> MakeSampleReport(const std::string& key, const TSampleContext& ctx) {
  const std::string file = SampleReportFile(key, ctx);
  TDefinitionOptions options;
  options.DatabasePath = ctx.DatabasePath;
  return std::make_unique<TDefinitionSample>(key, LoadReportDefinition(file, options));
}

std::unique_ptr<TSampleReport> MakeCustomersReport(const TSampleContext& ctx) { return MakeSampleReport("customers", ctx); }
std::unique_ptr<TSampleReport> MakeEventsReport(const TSampleContext& ctx) { return MakeSampleReport("events", ctx); }
std::unique_ptr<TSampleReport> MakeRichTextReport(const TSampleContext& ctx) { return MakeSampleReport("richtext", ctx); }
std::unique_ptr<TSampleReport> MakeChartReport(const TSampleContext& ctx) { return MakeSampleReport("chart", ctx); }
std::unique_ptr<TSampleReport> MakeLabelsReport(const TSampleContext& ctx) { return MakeSampleReport("labels", ctx); }
std::unique_ptr<TSampleReport> MakeSalesReport(const TSampleContext& ctx) { return MakeSampleReport("sales", ctx); }

}  // namespace oxqr
