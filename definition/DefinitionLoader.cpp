// Reading a definition: the report element, its parameters, datasets and bands, in that
// order. Controls are read by DefinitionControls.cpp.
#include <QFile>
#include <QXmlStreamReader>
#include <filesystem>

#include "charting/ChartApplication.h"
#include "data/DisplayFormat.h"
#include "data/Query.h"
#include "data/Table.h"
#include "definition/DefinitionBuilder.h"
#include "definition/NameChecks.h"
#include "OxQrExport/core/DocumentFunctions.h"
#include "definition/SubReport.h"
#include "platform/CodePage.h"

namespace fs = std::filesystem;

namespace oxqr {

using oxr::TElement;

// A parameter's value as a query binds it: dates as the ISO text the databases compare.
TCell ParamCell(const TParamValue& v) {
  if (const auto* s = std::get_if<std::string>(&v)) return TCell::FromAnsi(*s);
  if (const auto* i = std::get_if<std::int64_t>(&v)) return TCell::Integer(*i);
  if (const auto* d = std::get_if<double>(&v)) return TCell::Float(*d);
  if (const auto* b = std::get_if<bool>(&v)) return TCell::Integer(*b ? 1 : 0);
  return TCell::FromAnsi(ParamValueText(v));
}

namespace {

// Definitions are small; anything larger is refused before it is parsed.
constexpr qint64 kMaxDefinitionBytes = 16 * 1024 * 1024;
constexpr double kMaxPageMM = 5000;

}  // namespace

bool IsIdentifier(const std::string& s) {
  if (s.empty() || s.size() > 128) return false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (!(std::isalpha(c) || c == '_' || (i > 0 && std::isdigit(c)))) return false;
  }
  return true;
}

TReportDefinition::TReportDefinition()
    : report_(std::make_unique<TQRReport>()), environment_(std::make_unique<TReportEnvironment>(*report_)) {}
TReportDefinition::~TReportDefinition() {
  for (const auto& sub : subReports_) sub->Detach();
}

TDataSet* TReportDefinition::FindDataSet(const std::string& name) const {
  for (const auto& [n, d] : dataSetNames_)
    if (n == name) return d;
  return nullptr;
}

TDefinitionBuilder::TDefinitionBuilder(const std::string& text, const std::string& fileName,
                                       const TDefinitionOptions& options, const TSubReportEmbedding* embedding)
    : options_(options), result_(std::make_unique<TReportDefinition>()), embedding_(embedding) {
  source_.FileName = fileName;
  source_.Text = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  baseDir_ = fs::absolute(fs::path(fileName)).parent_path();
  result_->fileName_ = fileName;
  if (embedding_ != nullptr) {
    // A sub-report's names live in an environment of their own over the holding report.
    result_->environment_ = std::make_unique<TReportEnvironment>(*embedding_->Report);
    result_->environment_->SetRunScope(embedding_->Run, {});
    ownBands_.push_back(embedding_->Run);
  }
}

TDefinitionBuilder::~TDefinitionBuilder() = default;

void TDefinitionBuilder::FailXml() const {
  // Qt counts lines from 1 and columns from 0.
  std::string message = xml_->errorString().toStdString();
  if (!openElements_.empty()) {
    // Name the element left open, where it opened, rather than only where the file ended.
    const auto& [name, offset] = openElements_.back();
    try {
      source_.FailAtOffset(offset, "");
    } catch (const EDefinitionError& at) {
      const std::string opened = "<" + name + "> opened at " + std::to_string(at.Line()) + ":" +
                                 std::to_string(at.Column()) + " is not closed";
      if (xml_->error() == QXmlStreamReader::PrematureEndOfDocumentError) message = opened;
      else if (message.find("mismatch") != std::string::npos) message += " (" + opened + ")";
    }
  }
  throw EDefinitionError(source_.FileName, std::max(1, static_cast<int>(xml_->lineNumber())),
                         static_cast<int>(xml_->columnNumber()) + 1, message);
}

bool TDefinitionBuilder::NextChild() {
  for (;;) {
    switch (xml_->readNext()) {
      case QXmlStreamReader::StartElement:
        openElements_.emplace_back(xml_->name().toString().toStdString(),
                                   source_.Text.lastIndexOf(u'<', std::max<qint64>(xml_->characterOffset() - 1, 0)));
        return true;
      case QXmlStreamReader::EndElement:
        if (!openElements_.empty()) openElements_.pop_back();
        return false;
      case QXmlStreamReader::EndDocument:
        return false;
      case QXmlStreamReader::Invalid:
        FailXml();
      case QXmlStreamReader::DTD:
        source_.FailAtOffset(source_.Text.lastIndexOf(QStringLiteral("<!DOCTYPE"), xml_->characterOffset()),
                             "a document type declaration is not allowed");
      case QXmlStreamReader::EntityReference:
        source_.FailAtOffset(xml_->characterOffset(), "entity references are not allowed");
      case QXmlStreamReader::Characters:
        if (!xml_->isWhitespace()) {
          // The text starts after the markup before it; point at its first visible character.
          qsizetype at = source_.Text.lastIndexOf(u'>', xml_->characterOffset() - 1) + 1;
          while (at < source_.Text.size() && source_.Text[at].isSpace()) ++at;
          source_.FailAtOffset(at, "text is not allowed here; values go in attributes");
        }
        break;
      default:
        break;  // comments, processing instructions, the XML declaration
    }
  }
}

std::string TDefinitionBuilder::ElementText() {
  const QString text = xml_->readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
  if (xml_->hasError()) FailXml();
  if (!openElements_.empty()) openElements_.pop_back();
  return text.toStdString();
}

std::unique_ptr<TReportDefinition> TDefinitionBuilder::Run() {
  if (source_.Text.size() > kMaxDefinitionBytes) source_.FailAtOffset(0, "the definition is larger than 16 MiB");
  // Charts draw through the widget application, which must exist before anything starts
  // the plain GUI application that pictures and fonts would.
  if (source_.Text.contains(QStringLiteral("<chart"))) TryEnsureChartApplication();
  QXmlStreamReader xml(source_.Text);
  xml.setNamespaceProcessing(false);
  xml_ = &xml;
  if (!NextChild()) {
    if (xml.hasError()) FailXml();
    source_.FailAtOffset(0, "the file holds no <report> element");
  }
  TElement report(source_, xml);
  if (report.Name() != "report") report.Fail("the root element is <" + report.Name() + ">, expected <report>");
  reportStart_ = report.StartOffset();
  ReadReport(report);
  // Nothing may follow the report element but comments.
  while (!xml.atEnd()) {
    const auto token = xml.readNext();
    if (token == QXmlStreamReader::Invalid) FailXml();
    if (token == QXmlStreamReader::StartElement) TElement(source_, xml).Fail("only one <report> element is allowed");
  }
  ApplyParameterValues();
  CheckJsonDataNames();
  ResolveBandLinks();
  if (embedding_ != nullptr) LinkEmbeddedBands();
  // Bands shared with sub-reports: each environment checks and binds its own.
  if (embedding_ != nullptr || hasSubReports_) result_->Environment().SetBands(ownBands_);
  CompileExpressions();
  CompileCrossTabs();
  BindTokenText();
  if (!faults_.empty()) ThrowFaults();
  return std::move(result_);
}

void TDefinitionBuilder::ReadReport(TElement& e) {
  TQRReport& r = *result_->report_;
  r.Name = e.Text("name", "");
  r.ReportTitle = e.Text("title", "");
  if (const auto db = e.Raw("database"); db && options_.DatabasePath.empty()) {
    databasePath_ = (baseDir_ / fs::path(*db)).lexically_normal().string();
  }
  if (!options_.DatabasePath.empty()) databasePath_ = options_.DatabasePath;
  if (databasePath_.empty()) databasePath_ = options_.DefaultDatabasePath;
  result_->databasePath_ = databasePath_;

  r.Page.Orientation = e.Enum("orientation", oxr::OrientationNames(), r.Page.Orientation);
  const TQRPaperSize paper = e.Enum("paper", oxr::PaperNames(), TQRPaperSize::A4);
  if (paper == TQRPaperSize::Custom) {
    if (!e.Raw("pageWidth") || !e.Raw("pageHeight")) e.Fail("a custom paper needs pageWidth and pageHeight");
    r.Page.NativeWidth = e.Length("pageWidth", 0, 10, kMaxPageMM) * NativePerMM;
    r.Page.NativeLength = e.Length("pageHeight", 0, 10, kMaxPageMM) * NativePerMM;
  } else if (e.Raw("pageWidth") || e.Raw("pageHeight")) {
    e.FailAt(e.Raw("pageWidth") ? "pageWidth" : "pageHeight", "pageWidth and pageHeight need paper=\"custom\"");
  }
  r.Page.SetPaper(paper);
  const double top = e.Length("topMargin", 0, 0, kMaxPageMM), bottom = e.Length("bottomMargin", 0, 0, kMaxPageMM);
  const double left = e.Length("leftMargin", 0, 0, kMaxPageMM), right = e.Length("rightMargin", 0, 0, kMaxPageMM);
  r.Page.SetMarginsMM(top, bottom, left, right);
  if ((left + right) * NativePerMM >= r.Page.NativeWidth)
    e.FailAt("leftMargin", "the left and right margins leave no room on the page");
  if ((top + bottom) * NativePerMM >= r.Page.NativeLength)
    e.FailAt("topMargin", "the top and bottom margins leave no room on the page");
  r.SetUnits(e.Enum("units", oxr::UnitNames(), r.Units()));
  r.SetZoom(e.Integer("zoom", r.Zoom(), 10, 1000));
  r.PrintIfEmpty = e.Bool("printIfEmpty", r.PrintIfEmpty);
  r.Options.FirstPageHeader = e.Bool("firstPageHeader", r.Options.FirstPageHeader);
  r.Options.LastPageFooter = e.Bool("lastPageFooter", r.Options.LastPageFooter);
  r.Font = e.Font("font", r.Font);
  r.Frame = e.Frame(r.Frame);
  r.Language = e.Text("language", r.Language);
  if (r.Language.empty() || r.Language.size() > 35 ||
      r.Language.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-") != std::string::npos ||
      r.Language.front() == '-' || r.Language.back() == '-')
    e.FailAt("language", "'" + r.Language + "' is not a language tag (such as en, de-CH)");
  if (const auto level = e.Raw("pdfConformance")) {
    static const std::vector<std::string> kLevels{"none", "pdfA2b", "pdfUA1", "pdfA2bUA1"};
    if (std::find(kLevels.begin(), kLevels.end(), *level) == kLevels.end())
      e.FailAt("pdfConformance", "unknown PDF conformance '" + *level + "' (one of: none, pdfA2b, pdfUA1, pdfA2bUA1)");
    r.PdfConformance = *level == "none" ? std::string() : *level;
  }
  const auto reportDataSet = e.Raw("dataset");
  const qint64 reportDataSetAt = e.AttributeOffset("dataset");
  const auto burstField = e.Raw("burstField");
  const auto burstName = e.Raw("burstName");
  if (burstName && !burstField) e.FailAt("burstName", "burstName needs burstField");
  if (burstField && !reportDataSet) e.FailAt("burstField", "burstField needs the report's dataset");
  e.Finish();

  enum { kParameters, kDataSets, kBands } phase = kParameters;
  while (NextChild()) {
    TElement child(source_, *xml_);
    const std::string& n = child.Name();
    if (n == "parameter") {
      if (phase > kParameters) child.Fail("<parameter> comes before the datasets and bands");
      ReadParameter(child);
    } else if (n == "table" || n == "query" || n == "json") {
      if (phase > kDataSets) child.Fail("<" + n + "> comes before the bands");
      phase = kDataSets;
      ApplyParameterValues();
      if (n == "table") ReadTable(child);
      else if (n == "json") ReadJson(child);
      else ReadQuery(child);
    } else if (n == "band") {
      if (phase < kBands && reportDataSet) {
        r.DataSet = DataSetAt(*reportDataSet, reportDataSetAt);
      }
      phase = kBands;
      ApplyParameterValues();
      ReadBand(child);
    } else {
      child.Fail("<report> has no element <" + n + "> (parameter, table, query, json, band)");
    }
  }
  if (phase < kBands && reportDataSet) r.DataSet = DataSetAt(*reportDataSet, reportDataSetAt);
  if (embedding_ != nullptr) {
    embedding_->Run->DataSet = r.DataSet;
    embedding_->Run->PrintIfEmpty = r.PrintIfEmpty;
    result_->Environment().SetRunScope(embedding_->Run, r.ReportTitle);
  }
  if (burstField) {
    FieldAt(*r.DataSet, *reportDataSet, *burstField, e, "burstField");
    result_->burstField_ = *burstField;
    result_->burstName_ = burstName.value_or("");
  }
}

// ---- parameters ------------------------------------------------------------------------------

void TDefinitionBuilder::ReadParameter(TElement& e) {
  TReportEnvironment& env = result_->Environment();
  const std::string name = e.Required("name");
  if (!IsIdentifier(name)) e.FailAt("name", "'" + name + "' is not a parameter name (letters, digits, _)");
  if (env.FindParameter(name) != nullptr) e.FailAt("name", "parameter '" + name + "' is defined twice");
  TParamType type = TParamType::String;
  if (const auto typeName = e.Raw("type")) {
    const auto t = ParamTypeFromName(*typeName);
    if (!t) e.FailAt("type", "unknown parameter type '" + *typeName + "' (one of: string, integer, float, date, boolean)");
    type = *t;
  }
  std::optional<TParamValue> value;
  if (const auto def = e.Raw("default")) {
    try {
      value = ParseParamValue(type, Utf8ToAnsi(*def));
    } catch (const TParamError& err) {
      e.FailAt("default", "parameter " + name + ": " + err.what());
    }
  }
  env.AddParameter(name, type, value);
  parameterAt_.emplace_back(name, e.AttributeOffset("name"));
  EndLeaf(e);
}

// The command line's values, applied once every parameter is known and before any query
// reads them; a parameter left without a value is an error.
void TDefinitionBuilder::ApplyParameterValues() {
  if (parametersApplied_) return;
  parametersApplied_ = true;
  TReportEnvironment& env = result_->Environment();
  for (const auto& [name, value] : options_.Parameters) {
    qint64 at = reportStart_;
    for (const auto& [n, offset] : parameterAt_)
      if (QString::fromStdString(n).compare(QString::fromStdString(name), Qt::CaseInsensitive) == 0) at = offset;
    try {
      env.SetParameter(name, Utf8ToAnsi(value));
    } catch (const TParamError& err) {
      source_.FailAtOffset(at, err.what());
    }
  }
  auto missing = env.MissingParameters();
  if (embedding_ != nullptr)  // the holding report gives these a value for each run
    std::erase_if(missing, [this](const std::string& n) {
      return std::any_of(embedding_->Bound.begin(), embedding_->Bound.end(),
                         [&n](const std::string& b) { return SameText(b, n); });
    });
  if (!missing.empty()) {
    qint64 at = reportStart_;
    for (const auto& [n, offset] : parameterAt_)
      if (n == missing.front()) at = offset;
    source_.FailAtOffset(at, "parameter " + missing.front() + " has no value: give it a default or --param " +
                                 missing.front() + "=VALUE");
  }
}

// ---- datasets --------------------------------------------------------------------------------

void TDefinitionBuilder::AddDataSet(const std::string& name, std::unique_ptr<TDataSet> data) {
  result_->dataSetNames_.emplace_back(name, data.get());
  result_->Environment().AddDataSet(name, *data);
  result_->dataSets_.push_back(std::move(data));
}

std::string TDefinitionBuilder::DataSetName(TElement& e) {
  const std::string name = e.Required("name");
  if (!IsIdentifier(name)) e.FailAt("name", "'" + name + "' is not a dataset name (letters, digits, _)");
  if (result_->Environment().FindDataSet(name) != nullptr)
    e.FailAt("name", "dataset '" + name + "' is defined twice");
  return name;
}

const std::string& TDefinitionBuilder::Database(TElement& e) {
  if (databasePath_.empty())
    e.Fail("no database for dataset: give one on the command line (--db) or as the report's database attribute");
  return databasePath_;
}

void TDefinitionBuilder::ReadTable(TElement& e) {
  const std::string name = DataSetName(e);
  auto table = std::make_unique<TTable>();
  table->TableName = e.Required("table");
  table->DatabaseName = Database(e);
  if (const auto master = e.Raw("master")) {
    if (*master == name) e.FailAt("master", "dataset '" + name + "' cannot be its own master");
    TDataSet* m = DataSetAt(*master, e.AttributeOffset("master"));
    auto source = std::make_unique<TDataSource>();
    source->DataSet = m;
    table->MasterSource = source.get();
    result_->sources_.push_back(std::move(source));
    table->MasterFields = e.Required("masterFields");
  } else if (e.Raw("masterFields")) {
    e.FailAt("masterFields", "masterFields needs a master dataset");
  }
  table->IndexName = e.Text("index", "");
  e.Finish();
  // The fields' display formats, set once the table is open and its fields known.
  std::vector<std::pair<TElement, std::pair<std::string, std::string>>> formats;
  std::vector<TCalcSite> calcs;
  while (NextChild()) {
    TElement f(source_, *xml_);
    if (f.Name() == "calc") {
      calcs.push_back(ReadCalc(f));
      continue;
    }
    if (f.Name() != "field") f.Fail("<table> has no element <" + f.Name() + "> (field, calc)");
    const std::string field = f.Required("name");
    const std::string format = f.Text("format", "");
    f.Finish();
    if (NextChild()) TElement(source_, *xml_).Fail("<field> holds no elements");
    formats.push_back({f, {field, format}});
  }
  try {
    table->Open();
  } catch (const EOxQRError& err) {
    FailFromDatabase(e, std::string("dataset ") + name + ": " + err.what());
  }
  for (auto& [f, nf] : formats) FieldAt(*table, name, nf.first, f, "name").DisplayFormat = nf.second;
  const bool follows = table->MasterSource != nullptr;
  AddDataSet(name, std::move(table), calcs, follows);
}

void TDefinitionBuilder::ReadQuery(TElement& e) {
  const std::string name = DataSetName(e);
  auto query = std::make_unique<TQuery>();
  query->QueryName = name;
  query->DatabaseName = Database(e);
  if (const auto master = e.Raw("master")) {
    if (*master == name) e.FailAt("master", "dataset '" + name + "' cannot be its own master");
    auto source = std::make_unique<TDataSource>();
    source->DataSet = DataSetAt(*master, e.AttributeOffset("master"));
    query->MasterSource = source.get();
    result_->sources_.push_back(std::move(source));
  }
  e.Finish();
  std::vector<TCalcSite> calcs;
  query->SQL = QueryText(calcs);
  // Every report parameter is offered to the query; the SQL takes those it names (:Name).
  for (const TReportParameter* p : result_->Environment().Parameters()) {
    if (p->Value) query->SetParam(p->Name, ParamCell(*p->Value));
    else if (embedding_ != nullptr) query->SetParam(p->Name, TCell::Null());  // bound for each run
  }
  queries_.push_back(query.get());
  try {
    query->Open();
  } catch (const EOxQRError& err) {
    FailFromDatabase(e, err.what());
  }
  const bool follows = query->MasterSource != nullptr;
  AddDataSet(name, std::move(query), calcs, follows);
}


TDataSet* TDefinitionBuilder::DataSetAt(const std::string& name, qint64 offset) const {
  if (TDataSet* d = result_->Environment().FindDataSet(name)) return d;
  std::string names;
  for (const auto& [n, d] : result_->dataSetNames_) names += (names.empty() ? "" : ", ") + n;
  source_.FailAtOffset(offset, "unknown dataset '" + name + "' (datasets: " + (names.empty() ? "none" : names) + ")");
}

void TDefinitionBuilder::FailFromDatabase(const TElement& e, const std::string& message) const {
  try {
    e.Fail(message);
  } catch (EDefinitionError& error) {
    error.SetDataSourceFault();
    throw;
  }
}

TField& TDefinitionBuilder::FieldAt(TDataSet& data, const std::string& dataName, const std::string& field,
                                    TElement& e, std::string_view attribute) const {
  try {
    return RequireField(data, dataName, field, 0);
  } catch (const TTokenError& err) {
    e.FailAt(attribute, err.what());
  }
}

std::pair<TDataSet*, std::string> TDefinitionBuilder::FieldRef(TElement& e, std::string_view attribute) {
  const std::string ref = e.Required(attribute);
  const auto dot = ref.find('.');
  if (dot == std::string::npos || dot == 0 || dot + 1 == ref.size())
    e.FailAt(attribute, "'" + ref + "' is not a field reference (Dataset.Field)");
  const std::string dataName = ref.substr(0, dot);
  TDataSet* data = DataSetAt(dataName, e.AttributeOffset(attribute));
  const TField& f = FieldAt(*data, dataName, ref.substr(dot + 1), e, attribute);
  return {data, f.FieldName};
}

// ---- bands -----------------------------------------------------------------------------------

void TDefinitionBuilder::ReadBand(TElement& e) {
  TQRCustomReport& r = BandReport();
  const auto typeName = e.Raw("type");
  if (!typeName) e.Fail("<band> needs the attribute type");
  const auto type = oxr::FindName(oxr::BandTypeNames(), *typeName);
  if (!type)
    e.FailAt("type", "unknown band type '" + *typeName + "' (one of: " + oxr::NameList(oxr::BandTypeNames()) + ")");
  TQRCustomBand* band = nullptr;
  TBandLinks links;
  if (*type == TQRBandType::rbSubDetail) {
    auto& sub = r.AddBand<TQRSubDetail>();
    const std::string dataName = e.Required("dataset");
    sub.DataSet = DataSetAt(dataName, e.AttributeOffset("dataset"));
    sub.PrintIfEmpty = e.Bool("printIfEmpty", sub.PrintIfEmpty);
    links.Master = LinkOf(e, "master");
    links.Header = LinkOf(e, "header");
    links.Footer = LinkOf(e, "footer");
    band = &sub;
  } else if (*type == TQRBandType::rbGroupHeader) {
    auto& group = r.AddBand<TQRGroup>();
    if (e.Raw("field")) group.Expression = FieldRef(e, "field").second;
    ReadGroupExpression(e, group);
    ReadGroupOptions(e, group);
    links.Master = LinkOf(e, "master");
    links.Footer = LinkOf(e, "footer");
    band = &group;
  } else if (embedding_ != nullptr) {
    band = &AddEmbeddedBand(e, *type);
  } else {
    band = &r.AddBand(*type);
  }
  ownBands_.push_back(band);
  band->Name = e.Text("name", "");
  if (!band->Name.empty()) {
    if (bandsByName_.contains(band->Name)) e.FailAt("name", "band '" + band->Name + "' is defined twice");
    bandsByName_[band->Name] = band;
  }
  band->SetHeightMM(e.Length("height", 0, 0, kMaxPageMM));
  band->Color = e.Color("color", band->Color);
  band->Frame = e.Frame(band->Frame);
  band->Enabled = e.Bool("enabled", band->Enabled);
  // A sub-report prints inside another report's pages: its page bands are left out.
  if (embedding_ != nullptr && (*type == TQRBandType::rbPageHeader || *type == TQRBandType::rbPageFooter ||
                                *type == TQRBandType::rbColumnHeader))
    band->Enabled = false;
  if (const auto role = e.Raw("role")) {
    if (*role != "tableRow" && *role != "tableHeader")
      e.FailAt("role", "unknown band role '" + *role + "' (one of: tableRow, tableHeader)");
    band->Role = *role;
  }
  links.Child = LinkOf(e, "child");
  styleTarget_ = nullptr;
  currentBand_ = band;
  band->PrintCondition = ReadPrintCondition(e);
  e.Finish();
  links.Band = band;
  bandLinks_.push_back(links);
  while (NextChild()) {
    TElement c(source_, *xml_);
    if (c.Name() == "style") ReadStyle(c, nullptr, band);
    else ReadControl(c, *band);
  }
}

TDefinitionBuilder::TLink TDefinitionBuilder::LinkOf(TElement& e, std::string_view attribute) {
  TLink link;
  if (const auto name = e.Raw(attribute)) {
    link.Name = *name;
    link.Offset = e.AttributeOffset(attribute);
  }
  return link;
}

TQRCustomBand* TDefinitionBuilder::Resolve(const TLink& link) const {
  if (link.Name.empty()) return nullptr;
  const auto it = bandsByName_.find(link.Name);
  if (it == bandsByName_.end()) source_.FailAtOffset(link.Offset, "unknown band '" + link.Name + "'");
  return it->second;
}

void TDefinitionBuilder::ResolveBandLinks() {
  for (const TBandLinks& l : bandLinks_) {
    TQRCustomBand* child = Resolve(l.Child);
    if (child == l.Band) source_.FailAtOffset(l.Child.Offset, "a band cannot be its own child");
    if (child != nullptr && child->BandType != TQRBandType::rbChild)
      source_.FailAtOffset(l.Child.Offset, "band '" + l.Child.Name + "' is not a child band");
    l.Band->ChildBand = child;
    auto* sub = dynamic_cast<TQRSubDetail*>(l.Band);
    if (sub != nullptr && embedding_ != nullptr && sub == embedding_->Run) {
      // a sub-report's detail: linked to the band that holds it
    } else if (sub != nullptr) {
      sub->Master = Resolve(l.Master);
      sub->HeaderBand = Resolve(l.Header);
      sub->FooterBand = Resolve(l.Footer);
    } else if (auto* group = dynamic_cast<TQRGroup*>(l.Band)) {
      group->Master = Resolve(l.Master);
      group->FooterBand = Resolve(l.Footer);
      if (group->FooterBand != nullptr && group->FooterBand->BandType != TQRBandType::rbGroupFooter)
        source_.FailAtOffset(l.Footer.Offset, "band '" + l.Footer.Name + "' is not a group footer");
    }
  }
  // A chain of child bands must end.
  for (const TBandLinks& l : bandLinks_) {
    const TQRCustomBand* b = l.Band;
    for (std::size_t steps = 0; b != nullptr; b = b->ChildBand)
      if (++steps > bandLinks_.size()) source_.FailAtOffset(l.Child.Offset, "the child bands form a cycle");
  }
}

// ---- entry points ----------------------------------------------------------------------------

std::unique_ptr<TReportDefinition> LoadReportDefinitionText(const std::string& text, const std::string& fileName,
                                                            const TDefinitionOptions& options) {
  TDefinitionBuilder builder(text, fileName, options);
  try {
    return builder.Run();
  } catch (const EDefinitionError& e) {
    throw builder.WithEarlierFaults(e);
  }
}

std::unique_ptr<TReportDefinition> LoadReportDefinition(const std::string& fileName, const TDefinitionOptions& options) {
  QFile file(QString::fromStdString(fileName));
  if (!file.open(QIODevice::ReadOnly)) {
    throw EDefinitionError(fileName, 1, 1, "cannot read the definition: " + file.errorString().toStdString());
  }
  if (file.size() > kMaxDefinitionBytes) throw EDefinitionError(fileName, 1, 1, "the definition is larger than 16 MiB");
  const QByteArray bytes = file.readAll();
  return LoadReportDefinitionText(bytes.toStdString(), fileName, options);
}

}  // namespace oxqr
