// Reading the controls of a band: one element per control kind, with the attributes every
// control has (name, position and size in millimetres, colour, frame, tag) and its own.
#include <QImage>
#include <QXmlStreamReader>
#include <algorithm>
#include <filesystem>
#include <memory>

#include "OxQrCtrls/ChartControl.h"
#include "OxQrCtrls/ExportControls.h"
#include "definition/DBRichText.h"
#include "definition/DefinitionBuilder.h"
#include "platform/CodePage.h"
#include "platform/TextMetrics.h"

namespace fs = std::filesystem;

namespace oxqr {

using oxr::TElement;

namespace {
constexpr double kMaxMM = 5000;
}

void TDefinitionBuilder::ReadCommon(TElement& e, TQRPrintable& c) {
  c.Name = e.Text("name", "");
  const double left = e.Length("left", 0, -kMaxMM, kMaxMM), top = e.Length("top", 0, -kMaxMM, kMaxMM);
  const double width = e.Length("width", 0, 0, kMaxMM), height = e.Length("height", 0, 0, kMaxMM);
  c.SetBoundsMM(left, top, width, height);
  c.Color = e.Color("color", c.Color);
  c.Frame = e.Frame(c.Frame);
  c.Enabled = e.Bool("enabled", c.Enabled);
  c.Tag = e.Integer("tag", c.Tag, -2147483647, 2147483647);
  c.Shift = e.Enum("shift", oxr::ShiftNames(), c.Shift);
  styleTarget_ = &c;
  c.PrintCondition = ReadPrintCondition(e);
  ReadAccessibility(e, c);
}

namespace {
// Alternative text that holds tokens, evaluated each time its control prints.
class TAltTokenText final : public TTokenTextOwner {
 public:
  explicit TAltTokenText(std::string source) : parsed_(std::move(source)) {}
  const TTokenText& TokenText() const override { return parsed_; }

 private:
  TTokenText parsed_;
};
}  // namespace

void TDefinitionBuilder::ReadAccessibility(TElement& e, TQRPrintable& c) {
  if (const auto role = e.Raw("role")) {
    static const std::vector<std::string> kRoles{"heading1", "heading2", "heading3", "heading4", "heading5", "heading6"};
    if (std::find(kRoles.begin(), kRoles.end(), *role) == kRoles.end())
      e.FailAt("role", "unknown role '" + *role + "' (one of: heading1 .. heading6)");
    c.Role = *role;
  }
  if (!e.Raw("alt")) return;
  c.Alt = e.Text("alt", "");
  if (c.Alt.find_first_of("{}") == std::string::npos) return;
  const qint64 at = e.ValueOffset("alt");
  std::shared_ptr<TAltTokenText> alt;
  try {
    alt = std::make_shared<TAltTokenText>(c.Alt);
  } catch (const TTokenError& err) {
    source_.FailAtOffset(at + static_cast<qint64>(err.Offset), err.what());
  }
  tokenSites_.push_back({alt.get(), &c, at});
  TReportEnvironment& env = result_->Environment();
  c.AltText = [alt, &env, &c] { return env.Evaluate(alt->TokenText(), &c); };
}

void TDefinitionBuilder::ReadTextLook(TElement& e, TQRCustomLabel& c) {
  c.Font = e.Font("font", c.Font);
  c.Alignment = e.Enum("align", oxr::AlignmentNames(), c.Alignment);
  c.AlignToBand = e.Bool("alignToBand", c.AlignToBand);
  c.AutoSize = e.Bool("autoSize", c.AutoSize);
  c.AutoStretch = e.Bool("autoStretch", c.AutoStretch);
  c.WordWrap = e.Bool("wordWrap", c.WordWrap);
  c.Rotation = e.Enum("rotation", oxr::TextRotationNames(), c.Rotation);
  c.Transparent = e.Bool("transparent", c.Transparent);
  c.SuppressBlankLines = e.Bool("suppressBlankLines", c.SuppressBlankLines);
}

// The `file` attribute resolved against the definition's folder; the file must exist.
std::string TDefinitionBuilder::ReadFileName(TElement& e, const std::string& kind) {
  const std::string name = e.Required("file");
  const fs::path path = (baseDir_ / fs::path(name)).lexically_normal();
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) e.FailAt("file", kind + " file '" + name + "' not found");
  return path.string();
}

void TDefinitionBuilder::ReadControl(TElement& e, TQRCustomBand& band) {
  const std::string& kind = e.Name();
  if (kind == "label") {
    ReadLabel(e, band);
    return;
  } else if (kind == "text") {
    auto& c = band.Add<TOxQRDBText>();
    ReadCommon(e, c);
    ReadTextLook(e, c);
    std::tie(c.DataSet, c.DataField) = FieldRef(e, "field");
  } else if (kind == "memo") {
    auto& c = band.Add<TOxQRMemo>();
    ReadCommon(e, c);
    ReadTextLook(e, c);
    e.Finish();
    while (NextChild()) {
      TElement line(source_, *xml_);
      if (line.Name() == "style") {
        ReadStyle(line, &c, nullptr);
        continue;
      }
      if (line.Name() != "line") line.Fail("<memo> has no element <" + line.Name() + "> (line, style)");
      line.Finish();
      c.Lines.push_back(Utf8ToAnsi(ElementText()));
    }
    styleTarget_ = nullptr;
    return;
  } else if (kind == "sysdata") {
    auto& c = band.Add<TOxQRSysData>();
    ReadCommon(e, c);
    ReadTextLook(e, c);
    if (!e.Raw("data")) e.Fail("<sysdata> needs the attribute data");
    c.Data = e.Enum("data", oxr::SysDataNames(), c.Data);
    c.Text_ = e.Text("text", "");
  } else if (kind == "shape") {
    auto& c = band.Add<TOxQRShape>();
    ReadCommon(e, c);
    c.Shape = e.Enum("shape", oxr::ShapeNames(), c.Shape);
    c.Brush.Color = e.Color("brushColor", c.Brush.Color);
    c.Brush.Style = e.Enum("brushStyle", oxr::BrushStyleNames(), c.Brush.Style);
    c.Pen.Color = e.Color("penColor", c.Pen.Color);
    c.Pen.Width = e.Integer("penWidth", c.Pen.Width, 0, 100);
    c.Pen.Style = e.Enum("penStyle", oxr::PenStyleNames(), c.Pen.Style);
  } else if (kind == "image") {
    ReadImage(e, band);
    return;
  } else if (kind == "richtext") {
    ReadRichText(e, band);
    return;
  } else if (kind == "chart") {
    ReadChart(e, band);
    return;
  } else if (kind == "barcode") {
    ReadBarcode(e, band);
    return;
  } else if (kind == "subreport") {
    ReadSubReport(e, band);
    return;
  } else if (kind == "crosstab") {
    ReadCrossTab(e, band);
    return;
  } else {
    e.Fail("<band> has no element <" + kind +
           "> (label, text, memo, sysdata, shape, image, richtext, chart, barcode, crosstab, subreport, style)");
  }
  EndLeaf(e);
}

void TDefinitionBuilder::ReadImage(TElement& e, TQRCustomBand& band) {
  if (e.Raw("field")) {
    if (e.Raw("file")) e.FailAt("file", "an image takes either a file or a field");
    auto& c = band.Add<TOxQRDBImage>();
    ReadCommon(e, c);
    std::tie(c.DataSet, c.DataField) = FieldRef(e, "field");
    c.Center = e.Bool("center", c.Center);
    c.Stretch = e.Bool("stretch", c.Stretch);
    EndLeaf(e);
    return;
  }
  auto& c = band.Add<TOxQRImage>();
  ReadCommon(e, c);
  const std::string path = ReadFileName(e, "picture");
  try {
    c.Picture.LoadFromFile(path);
  } catch (const EOxQRError& err) {
    e.FailAt("file", "'" + *e.Raw("file") + "' is not a picture: " + err.what());
  }
  // Pictures are measured in the screen's 96 pixels per inch whatever the file records, so
  // that a picture saves the same however it was made.
  QImage image = c.Picture.Image();
  const int dotsPerMeter = qRound(ScreenPPI / 0.0254);
  image.setDotsPerMeterX(dotsPerMeter);
  image.setDotsPerMeterY(dotsPerMeter);
  c.Picture.SetImage(image);
  result_->controlFiles_[&c] = path;
  c.Center = e.Bool("center", c.Center);
  c.Stretch = e.Bool("stretch", c.Stretch);
  c.AutoSize = e.Bool("autoSize", c.AutoSize);
  EndLeaf(e);
}

void TDefinitionBuilder::ReadRichText(TElement& e, TQRCustomBand& band) {
  TOxQRRichText* control = nullptr;
  if (e.Raw("field")) {
    if (e.Raw("file")) e.FailAt("file", "rich text takes either a file or a field");
    auto& c = band.Add<TDBRichText>();
    std::tie(c.DataSet, c.DataField) = FieldRef(e, "field");
    control = &c;
  } else {
    control = &band.Add<TOxQRRichText>();
  }
  TOxQRRichText& c = *control;
  ReadCommon(e, c);
  if (e.Raw("color")) c.SetColor(c.Color);
  c.SetFont(e.Font("font", c.Font()));
  c.AutoStretch = e.Bool("autoStretch", c.AutoStretch);
  if (e.Raw("file")) {
    const std::string path = ReadFileName(e, "rich text");
    try {
      c.Editor().LoadFromFile(path);
    } catch (const EOxQRError& err) {
      e.FailAt("file", "'" + *e.Raw("file") + "' cannot be read as rich text: " + err.what());
    }
    result_->controlFiles_[&c] = path;
  }
  EndLeaf(e);
}

void TDefinitionBuilder::ReadChart(TElement& e, TQRCustomBand& band) {
  // With `type`: a chart that aggregates a dataset; without: the pie of a dataset's fields.
  if (e.Raw("type")) return ReadDataChart(e, band);
  for (const char* typed : {"dataset", "category", "value", "series"})
    if (e.Raw(typed)) e.FailAt(typed, std::string(typed) + " belongs to a chart with type (bar, line, area or pie)");
  auto& c = band.Add<TOxQRChart>();
  ReadCommon(e, c);
  const auto [labels, labelField] = FieldRef(e, "labels");
  const auto [values, valueField] = FieldRef(e, "values");
  if (labels != values) e.FailAt("values", "labels and values must come from the same dataset");
  c.DataSet = labels;
  c.LabelField = labelField;
  c.ValueField = valueField;
  TPieChart& look = c.Chart;
  look.Title = e.Text("title", look.Title);
  look.TitleFont = e.Font("titleFont", look.TitleFont);
  look.TitleAlignment = e.Enum("titleAlign", oxr::AlignmentNames(), look.TitleAlignment);
  look.Color = e.Color("panelColor", look.Color);
  if (e.Raw("gradientStart") || e.Raw("gradientEnd")) {
    look.Gradient.Visible = true;
    look.Gradient.StartColor = e.Color("gradientStart", look.Gradient.StartColor);
    look.Gradient.EndColor = e.Color("gradientEnd", look.Gradient.EndColor);
  }
  look.SeriesColor = e.Color("seriesColor", look.SeriesColor);
  look.MarksVisible = e.Bool("marks", look.MarksVisible);
  look.LegendVisible = e.Bool("legend", look.LegendVisible);
  look.LabelFont = e.Font("labelFont", look.LabelFont);
  EndLeaf(e);
}

void TDefinitionBuilder::EndLeaf(TElement& e) {
  e.Finish();
  TQRPrintable* control = std::exchange(styleTarget_, nullptr);
  while (NextChild()) {
    TElement child(source_, *xml_);
    if (control == nullptr) child.Fail("<" + e.Name() + "> holds no elements");
    if (child.Name() != "style") child.Fail("<" + e.Name() + "> holds no elements but <style>");
    ReadStyle(child, control, nullptr);
  }
}

}  // namespace oxqr
