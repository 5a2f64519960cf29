// Reading a <subreport>: its file is read as a definition whose bands join this report
// under the band that holds the element (see SubReport.h), with its own names.
#include <QFile>
#include <QXmlStreamReader>
#include <filesystem>

#include "OxQrExport/core/DocumentFunctions.h"
#include "definition/DefinitionBuilder.h"
#include "definition/EnvironmentState.h"
#include "definition/NameChecks.h"
#include "engine/EngineTypes.h"

namespace fs = std::filesystem;

namespace oxqr {

using oxr::TElement;

namespace {

constexpr int kMaxSubReports = 64;    // read in one load, however they nest
constexpr std::size_t kMaxDepth = 8;  // sub-reports inside sub-reports
constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;
constexpr double kMaxMM = 5000;

std::string Canonical(const fs::path& p) {
  std::error_code ec;
  const fs::path c = fs::weakly_canonical(fs::absolute(p), ec);
  return ec ? fs::absolute(p).lexically_normal().string() : c.string();
}

std::string Trimmed(std::string_view s, std::size_t& first) {
  first = 0;
  while (first < s.size() && std::isspace(static_cast<unsigned char>(s[first]))) ++first;
  std::size_t last = s.size();
  while (last > first && std::isspace(static_cast<unsigned char>(s[last - 1]))) --last;
  return std::string(s.substr(first, last - first));
}

}  // namespace

TQRCustomReport& TDefinitionBuilder::BandReport() {
  return embedding_ != nullptr ? *embedding_->Report : *result_->report_;
}

// A band of a sub-report: its detail prints its records through the run band, its title
// and summary become the run's header and footer; its other bands join as they are.
TQRCustomBand& TDefinitionBuilder::AddEmbeddedBand(TElement& e, TQRBandType type) {
  TQRSubDetail& run = *embedding_->Run;
  TQRCustomReport& r = BandReport();
  switch (type) {
    case TQRBandType::rbDetail:
      if (std::find(ownBands_.begin() + 1, ownBands_.end(), &run) != ownBands_.end())
        e.FailAt("type", "a sub-report has one detail band");
      return run;
    case TQRBandType::rbTitle: {
      auto& b = r.AddBand(TQRBandType::rbGroupHeader);
      if (run.HeaderBand == nullptr) run.HeaderBand = &b;
      return b;
    }
    case TQRBandType::rbSummary: {
      auto& b = r.AddBand(TQRBandType::rbGroupFooter);
      if (run.FooterBand == nullptr) run.FooterBand = &b;
      return b;
    }
    default:
      return r.AddBand(type);
  }
}

// Groups and sub-details that follow the sub-report's detail follow its run.
void TDefinitionBuilder::LinkEmbeddedBands() {
  TQRSubDetail* run = embedding_->Run;
  for (const TQRCustomBand* b : ownBands_) {
    auto* band = const_cast<TQRCustomBand*>(b);
    if (auto* group = dynamic_cast<TQRGroup*>(band); group != nullptr && group->Master == nullptr) group->Master = run;
    if (auto* sub = dynamic_cast<TQRSubDetail*>(band); sub != nullptr && sub != run && sub->Master == nullptr)
      sub->Master = run;
  }
}

// parameters="CustNo={Customer.CustNo}; Since={param:Since}": NAME=token text, separated by
// semicolons outside braces.
void TDefinitionBuilder::ReadBindings(TElement& e, TQRSubReport& element, std::vector<qint64>& at) {
  const std::string& text = element.Parameters;
  const qint64 valueStart = e.ValueOffset("parameters");
  std::size_t begin = 0;
  int depth = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size()) {
      if (text[i] == '{')
        ++depth;
      else if (text[i] == '}' && depth > 0)
        --depth;
      if (text[i] != ';' || depth > 0) continue;
    }
    const std::string_view item = std::string_view(text).substr(begin, i - begin);
    const std::size_t itemStart = begin;
    begin = i + 1;
    std::size_t lead = 0;
    if (Trimmed(item, lead).empty()) continue;
    const auto fail = [&](std::size_t byte, const std::string& message) {
      source_.FailAtOffset(source_.ValueCharOffset(valueStart, itemStart + byte), message);
    };
    const std::size_t eq = item.find('=');
    if (eq == std::string_view::npos) fail(lead, "'" + Trimmed(item, lead) + "' is not NAME=value");
    std::size_t nameLead = 0;
    const std::string name = Trimmed(item.substr(0, eq), nameLead);
    if (!IsIdentifier(name)) fail(nameLead, "'" + name + "' is not a parameter name (letters, digits, _)");
    for (const auto& b : element.Bindings)
      if (SameText(b->Parameter, name)) fail(nameLead, "parameter " + name + " is given twice");
    std::size_t valueLead = 0;
    const std::string value = Trimmed(item.substr(eq + 1), valueLead);
    const std::size_t valueByte = itemStart + eq + 1 + valueLead;
    try {
      element.Bindings.push_back(std::make_unique<TSubReportBinding>(name, value));
    } catch (const TTokenError& err) {
      source_.FailAtOffset(source_.ValueCharOffset(valueStart, valueByte + err.Offset), err.what());
    }
    at.push_back(source_.ValueCharOffset(valueStart, valueByte));
  }
}

// <total name expression [format]>: the values the report reads back after each run.
void TDefinitionBuilder::ReadSubReportTotals(TQRSubReport& element, std::vector<qint64>& at) {
  while (NextChild()) {
    TElement t(source_, *xml_);
    if (t.Name() != "total") t.Fail("<subreport> has no element <" + t.Name() + "> (total)");
    TSubReportTotal total;
    total.Name = t.Required("name");
    if (!IsIdentifier(total.Name)) t.FailAt("name", "'" + total.Name + "' is not a field name (letters, digits, _)");
    for (const auto& other : element.Totals)
      if (SameText(other.Name, total.Name)) t.FailAt("name", "total '" + total.Name + "' is defined twice");
    total.Expression = t.Text("expression", "");
    if (!t.Raw("expression")) t.Fail("<total> needs the attribute expression");
    total.Format = t.Text("format", "");
    at.push_back(t.ValueOffset("expression"));
    t.Finish();
    if (NextChild()) TElement(source_, *xml_).Fail("<total> holds no elements");
    element.Totals.push_back(std::move(total));
  }
}

// The totals compiled in the sub-report's names; a fault is placed in this file.
void TDefinitionBuilder::CompileSubReportTotals(TSubReportRun& sub, TQRSubReport& element,
                                                const std::vector<qint64>& at) {
  std::vector<std::shared_ptr<const expr::TExpression>> exprs;
  std::vector<expr::TType> types;
  for (std::size_t i = 0; i < element.Totals.size(); ++i) {
    const TSubReportTotal& total = element.Totals[i];
    expr::TCompiled c = sub.Inner().Environment().State().Expressions().Compile(total.Expression, nullptr, nullptr);
    if (!c.Faults.empty()) {
      const auto& f = c.Faults.front();
      source_.FailAtOffset(source_.ValueCharOffset(at[i], f.Offset), "total " + total.Name + ": " + f.Message);
    }
    types.push_back(c.Expression->Type());
    exprs.push_back(std::move(c.Expression));
  }
  auto data = std::make_unique<TSubReportTotals>(element.Name, element.Totals, types);
  result_->Environment().AddDataSet(element.Name, *data);
  sub.SetTotals(std::move(data), std::move(exprs));
}

void TDefinitionBuilder::ReadSubReport(TElement& e, TQRCustomBand& band) {
  // Page bands print at fixed places and never carry flowing bands after them.
  if (band.BandType == TQRBandType::rbPageHeader || band.BandType == TQRBandType::rbPageFooter ||
      band.BandType == TQRBandType::rbColumnHeader)
    e.Fail("a sub-report cannot print in a page header, page footer or column header");
  auto& element = band.Add<TQRSubReport>();
  element.Name = e.Required("name");
  if (!IsIdentifier(element.Name))
    e.FailAt("name", "'" + element.Name +
                         "' is not a sub-report name (letters, digits, _; its totals are a dataset of that name)");
  if (result_->Environment().FindDataSet(element.Name) != nullptr)
    e.FailAt("name", "'" + element.Name + "' already names a dataset; its totals are read as a dataset of that name");
  element.File = e.Required("file");
  element.Parameters = e.Text("parameters", "");
  element.MinHeight = e.Length("height", 0, 0, kMaxMM) * NativePerMM;
  std::vector<qint64> bindingAt;
  if (e.Raw("parameters")) ReadBindings(e, element, bindingAt);
  e.Finish();
  std::vector<qint64> totalAt;
  ReadSubReportTotals(element, totalAt);

  const TDefinitionFault here = source_.FaultAt(e.StartOffset(), 1, "");
  element.At = source_.FileName + ":" + std::to_string(here.Line) + ":" + std::to_string(here.Column);
  const fs::path full = (baseDir_ / fs::path(element.File)).lexically_normal();
  const std::string shown = (fs::path(source_.FileName).parent_path() / element.File).lexically_normal().string();
  element.FullPath = full.string();

  // The files that led here, to refuse one that includes itself through any number of others.
  std::vector<TSubReportEmbedding::TStep> chain;
  if (embedding_ != nullptr)
    chain = embedding_->Chain;
  else
    chain.push_back({Canonical(source_.FileName), source_.FileName, {}});
  const std::string file = Canonical(full);
  for (std::size_t i = 0; i < chain.size(); ++i) {
    if (chain[i].File != file) continue;
    std::string steps;
    for (std::size_t j = i + 1; j < chain.size(); ++j) steps += chain[j].At + " includes " + chain[j].Shown + ", ";
    steps += element.At + " includes " + shown;
    e.FailAt("file",
             (i + 1 == chain.size() ? "a sub-report includes itself: " : "sub-reports include each other: ") + steps);
  }
  if (chain.size() > kMaxDepth) e.FailAt("file", "sub-reports nest deeper than " + std::to_string(kMaxDepth));
  int& count = embedding_ != nullptr ? *embedding_->Count : subReportCount_;
  if (++count > kMaxSubReports) e.FailAt("file", "more than " + std::to_string(kMaxSubReports) + " sub-reports");

  QFile in(QString::fromStdString(element.FullPath));
  if (!fs::is_regular_file(full) || !in.open(QIODevice::ReadOnly))
    e.FailAt("file", "sub-report file '" + shown + "' cannot be read" + (fs::exists(full) ? "" : ": no such file"));
  if (in.size() > kMaxFileBytes) e.FailAt("file", "sub-report file '" + shown + "' is larger than 16 MiB");
  const std::string text = in.readAll().toStdString();

  // The run band joins the report now, so the sub-report's bands follow it in order.
  auto& run = BandReport().AddBand<TQRSubDetail>();
  run.Master = &band;
  TSubReportEmbedding embedding;
  embedding.Report = &BandReport();
  embedding.Master = &band;
  embedding.Run = &run;
  for (const auto& b : element.Bindings) embedding.Bound.push_back(b->Parameter);
  embedding.Chain = chain;
  embedding.Chain.push_back({file, shown, element.At});
  embedding.Count = &count;
  TDefinitionOptions options;
  options.DefaultDatabasePath = databasePath_;  // the same database unless it names its own
  TDefinitionBuilder reader(text, shown, options, &embedding);
  std::unique_ptr<TReportDefinition> inner;
  try {
    inner = reader.Run();
  } catch (const EDefinitionError& err) {
    const EDefinitionError all = reader.WithEarlierFaults(err);
    try {
      e.FailAt("file", "sub-report " + shown + ": " + all.what());
    } catch (EDefinitionError& nested) {
      if (all.DataSourceFault()) nested.SetDataSourceFault();
      throw;
    }
  }
  for (const auto& b : element.Bindings) {
    if (inner->Environment().FindParameter(b->Parameter) != nullptr) continue;
    std::vector<std::string> names;
    for (const TReportParameter* p : inner->Environment().Parameters()) names.push_back(p->Name);
    e.FailAt("parameters",
             "sub-report " + shown + " has no parameter '" + b->Parameter + "' (parameters: " + NameList(names) + ")");
  }
  element.Bands = reader.ownBands_;
  auto sub = std::make_unique<TSubReportRun>(BandReport(), result_->Environment(), element, run, std::move(inner),
                                             reader.queries_);
  CompileSubReportTotals(*sub, element, totalAt);
  result_->subReports_.push_back(std::move(sub));
  hasSubReports_ = true;
  // The values are token text of this report, checked with the rest of its text.
  for (std::size_t i = 0; i < element.Bindings.size(); ++i)
    tokenSites_.push_back({element.Bindings[i].get(), &element, bindingAt[i]});
}

}  // namespace oxqr
