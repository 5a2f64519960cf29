// Token text and print conditions in a definition: labels whose text holds tokens become
// token labels, checked against the datasets and parameters once every band is read (an
// aggregate may name a group band further down); `printWhen` gives a band or control its
// print condition. Faults point at the character of the attribute that is wrong.
#include <QXmlStreamReader>

#include "definition/DefinitionBuilder.h"
#include "definition/EnvironmentState.h"
#include "definition/ExpressionUses.h"
#include "definition/PrintCondition.h"
#include "definition/TokenBarcode.h"
#include "definition/TokenLabel.h"
#include "platform/CodePage.h"

namespace oxqr {

using oxr::TElement;

std::unique_ptr<TQRPrintCondition> TDefinitionBuilder::ReadPrintCondition(TElement& e) {
  const auto text = e.Raw("printWhen");
  if (!text) return nullptr;
  try {
    return ParsePrintCondition(Utf8ToAnsi(*text), result_->Environment());
  } catch (const TTokenError& err) {
    // A misspelt name of the field form keeps its message; anything else is an expression.
    const std::string_view what = err.what();
    if (what.starts_with("unknown dataset") || what.starts_with("unknown field"))
      source_.FailAtOffset(source_.ValueCharOffset(e.ValueOffset("printWhen"), err.Offset), err.what());
  }
  auto condition = std::make_unique<TExpressionCondition>(result_->Environment().State().Expressions(),
                                                          Utf8ToAnsi(*text));
  AddExpression(e, "printWhen", styleTarget_, currentBand_, true,
                [c = condition.get()](std::shared_ptr<const expr::TExpression> x) { c->SetExpression(std::move(x)); });
  return condition;
}

void TDefinitionBuilder::ReadLabel(TElement& e, TQRCustomBand& band) {
  const std::string text = e.Text("text", "");
  // Text without braces prints as it is written: a plain label, as a program would make.
  if (text.find_first_of("{}") == std::string::npos) {
    auto& c = band.Add<TOxQRLabel>();
    ReadCommon(e, c);
    ReadTextLook(e, c);
    c.Caption = text;
    EndLeaf(e);
    return;
  }
  auto& c = band.Add<TQRTokenLabel>(result_->Environment());
  ReadCommon(e, c);
  ReadTextLook(e, c);
  c.Caption = text;
  const qint64 at = e.ValueOffset("text");
  try {
    (void)c.TokenText();  // the syntax now; the names once every band is known
  } catch (const TTokenError& err) {
    source_.FailAtOffset(at + static_cast<qint64>(err.Offset), err.what());
  }
  tokenSites_.push_back({&c, &c, at});
  EndLeaf(e);
}

void TDefinitionBuilder::ReadBarcode(TElement& e, TQRCustomBand& band) {
  // The data: a field of the current record, or a text that may hold tokens.
  TOxQRCustomBarcode* control = nullptr;
  if (e.Raw("field")) {
    if (e.Raw("text")) e.FailAt("text", "a barcode takes either a text or a field");
    auto& c = band.Add<TOxQRDBBarcode>();
    std::tie(c.DataSet, c.DataField) = FieldRef(e, "field");
    control = &c;
  } else {
    const std::string text = e.Text("text", "");
    if (text.find_first_of("{}") == std::string::npos) {
      auto& c = band.Add<TOxQRBarcode>();
      c.Text = text;
      control = &c;
    } else {
      auto& c = band.Add<TQRTokenBarcode>(result_->Environment());
      c.Text = text;
      const qint64 at = e.ValueOffset("text");
      try {
        (void)c.TokenText();
      } catch (const TTokenError& err) {
        source_.FailAtOffset(at + static_cast<qint64>(err.Offset), err.what());
      }
      tokenSites_.push_back({&c, &c, at});
      control = &c;
    }
  }
  TOxQRCustomBarcode& c = *control;
  ReadCommon(e, c);
  c.Symbology = e.Enum("symbology", oxr::SymbologyNames(), c.Symbology);
  c.ShowText = e.Bool("showText", c.ShowText);
  c.ModuleSize = e.Length("moduleSize", c.ModuleSize, 0, 100);
  c.QuietZone = e.Bool("quietZone", c.QuietZone);
  c.ErrorLevel = e.Enum("errorLevel", oxr::ErrorLevelNames(), c.ErrorLevel);
  c.ForeColor = e.Color("barColor", c.ForeColor);
  c.Rotation = e.Enum("rotation", oxr::RotationNames(), c.Rotation);
  c.Font = e.Font("font", c.Font);
  EndLeaf(e);
}

void TDefinitionBuilder::BindTokenText() {
  TReportEnvironment& env = result_->Environment();
  for (const TTokenSite& site : tokenSites_) {
    try {
      env.Validate(site.Owner->TokenText(), site.Control);
    } catch (const TTokenError& err) {
      AddTokenFaults(err, site.Offset);
    }
  }
  if (!faults_.empty()) return;
  try {
    env.Bind();
  } catch (const TTokenError& err) {
    source_.FailAtOffset(reportStart_, err.what());
  }
}

}  // namespace oxqr
