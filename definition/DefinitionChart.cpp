// <chart type="bar|line|area|pie" dataset="Orders" category="..." value="sum(...)" series="...">:
// a chart that aggregates its dataset while the report prints. The typed form is told apart
// from the field form (labels and values naming fields of a pie) by its `type` attribute.
#include <QXmlStreamReader>
#include <cctype>
#include <algorithm>
#include <sstream>

#include "OxQrCtrls/ChartControl.h"
#include "OxQrExport/core/DocumentFunctions.h"
#include "definition/ChartFeed.h"
#include "definition/ChartNames.h"
#include "definition/DefinitionBuilder.h"
#include "definition/EnvironmentState.h"
#include "definition/ReportEnvironment.h"
#include "engine/Printer.h"
#include "platform/Metafile.h"

namespace oxqr {

using oxr::TElement;

const oxr::TNameTable<TChartKind>& ChartKindNames() {
  static const oxr::TNameTable<TChartKind> t{
      {"bar", TChartKind::Bar}, {"line", TChartKind::Line}, {"area", TChartKind::Area}, {"pie", TChartKind::Pie}};
  return t;
}

const oxr::TNameTable<TChartValueLabels>& ChartValueLabelNames() {
  static const oxr::TNameTable<TChartValueLabels> t{
      {"none", TChartValueLabels::None}, {"value", TChartValueLabels::Value}, {"percent", TChartValueLabels::Percent}};
  return t;
}

namespace {

const oxr::TNameTable<bool>& OrientationNames() {
  static const oxr::TNameTable<bool> t{{"vertical", false}, {"horizontal", true}};
  return t;
}

const oxr::TNameTable<TChartAggregate>& AggregateNames() {
  static const oxr::TNameTable<TChartAggregate> t{{"sum", TChartAggregate::Sum},
                                                  {"count", TChartAggregate::Count},
                                                  {"avg", TChartAggregate::Avg},
                                                  {"min", TChartAggregate::Min},
                                                  {"max", TChartAggregate::Max}};
  return t;
}

bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.'; }

// The position of the ')' that closes the '(' at `open`, quoted texts skipped; npos when none.
std::size_t ClosingParen(const std::string& s, std::size_t open) {
  int depth = 0;
  char quote = 0;
  for (std::size_t i = open; i < s.size(); ++i) {
    const char c = s[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')' && --depth == 0) {
      return i;
    }
  }
  return std::string::npos;
}

// Where the first call of a total (sum, count, avg, min, max) starts outside quoted texts,
// and its name's length; npos when there is none.
std::pair<std::size_t, std::size_t> FirstTotal(const std::string& s) {
  char quote = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '\'' || c == '"') {
      quote = c;
      continue;
    }
    if (!std::isalpha(static_cast<unsigned char>(c)) || (i > 0 && IsWordChar(s[i - 1]))) continue;
    std::size_t end = i;
    while (end < s.size() && IsWordChar(s[end])) ++end;
    std::string name = s.substr(i, end - i);
    for (char& ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    std::size_t next = end;
    while (next < s.size() && s[next] == ' ') ++next;
    if (next < s.size() && s[next] == '(' && oxr::FindName(AggregateNames(), name)) return {i, end - i};
    i = end - 1;
  }
  return {std::string::npos, 0};
}

// "sum(x)" -> the aggregate and the text with the function's name blanked ("   (x)"), so
// that the argument compiles as a parenthesised expression at its own columns. The call
// must be the whole value ("sum(x) + 1" is not); without one the values are summed.
std::pair<TChartAggregate, std::string> SplitAggregate(const std::string& source) {
  const auto [at, length] = FirstTotal(source);
  if (at == std::string::npos || source.find_first_not_of(" \t") != at) return {TChartAggregate::Sum, source};
  const std::size_t open = source.find('(', at + length);
  const std::size_t close = ClosingParen(source, open);
  if (close == std::string::npos || source.find_first_not_of(" \t", close + 1) != std::string::npos)
    return {TChartAggregate::Sum, source};
  std::string name = source.substr(at, length);
  for (char& ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  std::string blanked = source;
  blanked.replace(at, length, length, ' ');
  return {*oxr::FindName(AggregateNames(), name), blanked};
}

// The scope whose instances reset a chart in `band`: the group of a group header or
// footer, the sub-detail of its header or footer; none (the whole report) elsewhere.
const TQRCustomBand* ChartScope(const TQRCustomReport& report, const TQRCustomBand* band) {
  for (std::size_t guard = 0; band != nullptr && guard <= report.Bands().size(); ++guard) {
    const auto parent = std::find_if(report.Bands().begin(), report.Bands().end(),
                                     [band](const auto& b) { return b->ChildBand == band; });
    if (parent == report.Bands().end()) break;
    band = parent->get();
  }
  for (const auto& b : report.Bands()) {
    if (b.get() == band && dynamic_cast<const TQRGroup*>(b.get()) != nullptr) return b.get();
    if (const auto* g = dynamic_cast<const TQRGroup*>(b.get()); g != nullptr && g->FooterBand == band) return g;
    if (const auto* s = dynamic_cast<const TQRSubDetail*>(b.get());
        s != nullptr && (s->HeaderBand == band || s->FooterBand == band))
      return s;
  }
  return nullptr;
}

// Whether the report prints the records of `data` (its dataset or a sub-detail's): only
// those reach a chart.
bool PrintsRecordsOf(const TQRCustomReport& report, const TDataSet& data) {
  if (report.DataSet != nullptr && report.DataSet->Records() == data.Records()) return true;
  for (const auto& b : report.Bands())
    if (const auto* s = dynamic_cast<const TQRSubDetail*>(b.get()); s != nullptr && s->DataSet != nullptr)
      if (s->DataSet->Records() == data.Records()) return true;
  return false;
}

// Whether a chart in `band` prints before the records it shows (a header of its scope, the
// title): it then needs the preview run's values.
bool PrintsBeforeItsRecords(const TQRCustomReport& report, const TQRCustomBand* band) {
  for (std::size_t guard = 0; band != nullptr && guard <= report.Bands().size(); ++guard) {
    const auto parent = std::find_if(report.Bands().begin(), report.Bands().end(),
                                     [band](const auto& b) { return b->ChildBand == band; });
    if (parent == report.Bands().end()) break;
    band = parent->get();
  }
  if (band == nullptr) return false;
  switch (band->BandType) {
    case TQRBandType::rbTitle:
    case TQRBandType::rbPageHeader:
    case TQRBandType::rbColumnHeader:
    case TQRBandType::rbGroupHeader:
      return true;
    default:
      break;
  }
  for (const auto& b : report.Bands())
    if (const auto* s = dynamic_cast<const TQRSubDetail*>(b.get()); s != nullptr && s->HeaderBand == band) return true;
  return false;
}

std::vector<TColor> ReadColors(TElement& e) {
  std::vector<TColor> colors;
  const auto raw = e.Raw("colors");
  if (!raw) return colors;
  std::string word;
  std::istringstream in(*raw);
  while (std::getline(in, word, ',')) {
    const auto first = word.find_first_not_of(" \t");
    const auto last = word.find_last_not_of(" \t");
    if (first == std::string::npos) e.FailAt("colors", "'" + *raw + "' has an empty colour (colours are separated by commas)");
    const std::string name = word.substr(first, last - first + 1);
    const auto color = oxr::ParseColor(name);
    if (!color) e.FailAt("colors", "'" + name + "' is not a colour (a name such as red, or #RRGGBB)");
    colors.push_back(*color);
  }
  return colors;
}

}  // namespace

// A chart printed before its records shows nothing yet in the preview run: its drawing on
// the stored page is replaced by the chart of its scope's final values when the run ends,
// as deferred texts are.
void TDefinitionBuilder::RedrawWhenKnown(TQRDataChart& chart, const TChartFeed& feed) {
  detail::TEnvironmentState& state = result_->Environment().State();
  chart.Painted = [&chart, &feed, &state](const TChartDrawing& drawing, std::size_t first) {
    TQRPrinter* printer = chart.ParentPrinter();
    TMetafile* page = printer != nullptr ? printer->PrintingPage() : nullptr;
    if (!state.PreviewRunning() || page == nullptr) return;
    detail::TDeferredDraw draw;
    draw.Page = printer->PageCount();
    draw.Begin = first;
    draw.Records.assign(page->Records.begin() + static_cast<std::ptrdiff_t>(first), page->Records.end());
    draw.Evaluation.Parts = {std::string()};
    draw.Redraw = [&chart, &feed, instance = feed.Instance(), box = drawing.Box, fx = drawing.PixelsPerNativeX,
                   fy = drawing.PixelsPerNativeY](const std::string&) {
      const TChartData* ended = feed.Final(instance);
      const TChartDrawing d = chart.MakeDrawing(ended != nullptr ? *ended : feed.Current(), box, fx, fy);
      TMetafile drawn;
      TMetafileCanvas canvas(drawn);
      PaintChart(canvas, d, box.Left, box.Top);
      return drawn.Records;
    };
    state.AddDraw(std::move(draw));
  };
}

void TDefinitionBuilder::ReadDataChart(TElement& e, TQRCustomBand& band) {
  auto& c = band.Add<TOxQRDataChart>();
  ReadCommon(e, c);
  for (const char* fieldForm : {"values", "seriesColor", "marks", "gradientStart", "gradientEnd"})
    if (e.Raw(fieldForm))
      e.FailAt(fieldForm, std::string(fieldForm) + " belongs to the pie of fields (without type); a chart with type "
                          "takes dataset, category, value, series, labels and colors");
  TChartLook& look = c.Look;
  look.Kind = e.Enum("type", ChartKindNames(), look.Kind);
  look.Horizontal = e.Enum("orientation", OrientationNames(), look.Horizontal);
  look.Stacked = e.Bool("stacked", look.Stacked);
  look.Labels = e.Enum("labels", ChartValueLabelNames(), look.Labels);
  look.Colors = ReadColors(e);
  look.Title = e.Text("title", look.Title);
  look.TitleFont = e.Font("titleFont", look.TitleFont);
  look.Font = e.Font("labelFont", look.Font);
  look.Legend = e.Bool("legend", look.Legend);
  look.Markers = e.Bool("markers", look.Markers);
  look.Background = e.Color("panelColor", look.Background);

  c.DataSetName = e.Required("dataset");
  TDataSet* data = result_->Environment().FindDataSet(c.DataSetName);
  if (data == nullptr) {
    std::string names;
    for (const auto& n : result_->Environment().DataSetNames()) names += (names.empty() ? "" : ", ") + n;
    e.FailAt("dataset", "unknown dataset '" + c.DataSetName + "' (datasets: " + names + ")");
  }
  c.DataSet = data;
  c.CategorySource = e.Required("category");
  c.ValueSource = e.Required("value");
  c.SeriesSource = e.Text("series", "");
  c.SortSource = e.Text("sort", "");

  const auto [aggregate, valueSource] = SplitAggregate(c.ValueSource);
  TExpressionState& state = result_->Environment().State().Expressions();
  auto& feed = static_cast<TChartFeed&>(state.AddListener(std::make_unique<TChartFeed>(state, *data, nullptr, aggregate)));
  c.DataProvider = [&feed]() -> const TChartData& { return feed.Current(); };

  auto site = [&](const char* attribute, std::string source, std::function<void(std::shared_ptr<const expr::TExpression>)> set) {
    // A total inside would be a running total of the report, read once per record: the
    // chart aggregates its records itself.
    if (const auto [at, length] = FirstTotal(source); at != std::string::npos) {
      const qint64 from = source_.ValueCharOffset(e.ValueOffset(attribute), at);
      AddFault(from, length, "a chart aggregates its records itself: " + source.substr(at, length) +
                                 "(...) may only be the whole value (value=\"sum(Orders.AmountPaid)\")");
      return;
    }
    TExpressionSite s;
    s.Source = std::move(source);
    s.ValueStart = e.ValueOffset(attribute);
    s.Set = std::move(set);
    expressionSites_.push_back(std::move(s));
  };
  // Expressions compile once every band is read: the chart's scope is known then too.
  const qint64 dataSetAt = e.ValueOffset("dataset");
  site("category", c.CategorySource, [this, &chart = c, &feed, &band, data, dataSetAt, name = c.DataSetName](auto x) {
    feed.Category = std::move(x);
    feed.SetScope(ChartScope(result_->Report(), &band));
    if (PrintsBeforeItsRecords(result_->Report(), &band)) {
      result_->Report().NeedsPreviewRun = true;
      RedrawWhenKnown(chart, feed);
    }
    if (!PrintsRecordsOf(result_->Report(), *data))
      AddFault(dataSetAt, std::max<std::size_t>(1, name.size()),
               "the report prints no records of dataset " + name +
                   " (a chart reads the records of the report's dataset or of a subDetail band)");
  });
  if (!c.SeriesSource.empty()) site("series", c.SeriesSource, [&feed](auto x) { feed.Series = std::move(x); });
  if (!c.SortSource.empty()) {
    const qint64 at = e.ValueOffset("sort");
    const std::size_t width = c.SortSource.size();
    site("sort", c.SortSource, [this, &feed, at, width](std::shared_ptr<const expr::TExpression> x) {
      if (x->Type() != expr::TType::Number && !expr::IsDateLike(x->Type()) && x->Type() != expr::TType::Null)
        AddFault(at, width, "a chart's sort must be a number or a date, not " + std::string(expr::TypeWithArticle(x->Type())));
      feed.Sort = std::move(x);
    });
  }
  // count(Dataset) counts the records; any other argument is an expression, a number unless counted.
  std::string argument = valueSource;
  argument.erase(0, argument.find_first_not_of(" ("));
  argument.erase(argument.find_last_not_of(" )") + 1);
  const bool countRecords = aggregate == TChartAggregate::Count && SameText(argument, c.DataSetName);
  if (!countRecords) {
    const qint64 at = e.ValueOffset("value");
    const std::size_t width = std::max<std::size_t>(1, c.ValueSource.size());
    site("value", valueSource, [this, &feed, aggregate, at, width](std::shared_ptr<const expr::TExpression> x) {
      if (aggregate != TChartAggregate::Count && x->Type() != expr::TType::Number && x->Type() != expr::TType::Null)
        AddFault(at, width, "a chart's value must be a number, not " + std::string(expr::TypeWithArticle(x->Type())));
      feed.Value = std::move(x);
    });
  }
  EndLeaf(e);
}

}  // namespace oxqr
