// Expressions in a definition besides text: printWhen conditions that are not of the field
// form, a group's `expression`, and <style when="..."> of controls and bands. They are
// compiled once every band is known (a total may name a group further down); every fault
// is collected with its place, and the definition fails with all of them at once.
#include <QXmlStreamReader>
#include <algorithm>

#include "definition/DefinitionBuilder.h"
#include "definition/EnvironmentState.h"
#include "definition/ExpressionUses.h"
#include "platform/CodePage.h"

namespace oxqr {

using oxr::TElement;

void TDefinitionBuilder::AddFault(qint64 offset, std::size_t width, const std::string& message) {
  faults_.push_back(source_.FaultAt(offset, static_cast<int>(width), message));
  if (faults_.size() >= expr::kMaxFaults) ThrowFaults();
}

// The faults in the order of the file.
void TDefinitionBuilder::ThrowFaults() const {
  std::vector<TDefinitionFault> sorted = faults_;
  std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
    return a.Line != b.Line ? a.Line < b.Line : a.Column < b.Column;
  });
  throw EDefinitionError(source_.FileName, std::move(sorted));
}

void TDefinitionBuilder::AddTokenFaults(const TTokenError& error, qint64 valueStart) {
  auto add = [&](std::size_t offset, std::size_t length, const std::string& message) {
    const qint64 at = source_.ValueCharOffset(valueStart, offset);
    const qint64 end = source_.ValueCharOffset(valueStart, offset + length);
    AddFault(at, static_cast<std::size_t>(std::max<qint64>(1, end - at)), message);
  };
  if (const auto* faults = dynamic_cast<const TExpressionFaults*>(&error)) {
    for (const auto& f : faults->Faults) add(f.Offset, f.Length, f.Message);
  } else {
    add(error.Offset, error.Length, error.what());
  }
}

EDefinitionError TDefinitionBuilder::WithEarlierFaults(const EDefinitionError& error) const {
  if (faults_.empty() || (!error.Faults().empty() && error.Faults().size() == faults_.size())) return error;
  std::vector<TDefinitionFault> all = faults_;
  if (error.Faults().empty()) {
    TDefinitionFault f;
    f.Line = error.Line();
    f.Column = error.Column();
    f.Message = error.Message();
    all.push_back(f);
  }
  return EDefinitionError(source_.FileName, std::move(all));
}

void TDefinitionBuilder::AddExpression(TElement& e, std::string_view attribute, const TQRPrintable* control,
                                       const TQRCustomBand* band, bool condition,
                                       std::function<void(std::shared_ptr<const expr::TExpression>)> set) {
  TExpressionSite site;
  site.Source = e.Text(attribute, "");
  site.ValueStart = e.ValueOffset(attribute);
  site.Control = control;
  site.Band = band;
  site.Condition = condition;
  site.Set = std::move(set);
  expressionSites_.push_back(std::move(site));
}

void TDefinitionBuilder::CompileExpressions() {
  TExpressionState& state = result_->Environment().State().Expressions();
  for (TExpressionSite& site : expressionSites_) {
    expr::TCompiled c = state.Compile(site.Source, site.Control, site.Band,
                                      site.Condition ? expr::TType::Boolean : expr::TType::Null);
    for (const auto& f : c.Faults) {
      const qint64 at = source_.ValueCharOffset(site.ValueStart, f.Offset);
      const qint64 end = source_.ValueCharOffset(site.ValueStart, f.Offset + f.Length);
      AddFault(at, static_cast<std::size_t>(std::max<qint64>(1, end - at)), f.Message);
    }
    if (c.Expression) site.Set(std::move(c.Expression));
  }
}

void TDefinitionBuilder::ReadGroupExpression(TElement& e, TQRGroup& group) {
  if (!e.Raw("expression")) return;
  if (e.Raw("field")) e.FailAt("expression", "a group breaks on either a field or an expression");
  auto key = std::make_unique<TExpressionGroupKey>(result_->Environment().State().Expressions(),
                                                   e.Text("expression", ""));
  AddExpression(e, "expression", nullptr, &group, false,
                [k = key.get()](std::shared_ptr<const expr::TExpression> x) { k->SetExpression(std::move(x)); });
  group.Key = std::move(key);
}

// <style when="..." fontColor="red" fontStyle="bold" color="#FFF0F0"/>: the first style of
// a control or band whose condition holds applies while it prints.
void TDefinitionBuilder::ReadStyle(TElement& e, TQRPrintable* control, TQRCustomBand* band) {
  TExpressionState& state = result_->Environment().State().Expressions();
  TConditionalStyle style;
  style.When = e.Required("when");
  if (const auto c = e.Raw("color")) style.Color = e.Color("color", clWhite);
  if (control != nullptr) {
    if (e.Raw("fontColor")) style.FontColor = e.Color("fontColor", clBlack);
    if (const auto fs = e.Raw("fontStyle")) {
      const auto parsed = oxr::ParseFontStyles(*fs);
      if (!parsed) e.FailAt("fontStyle", "'" + *fs + "' is not a font style (bold, italic, underline, strikeout)");
      style.FontStyle = *parsed;
    }
  }
  if (!style.Color && !style.FontColor && !style.FontStyle)
    e.Fail(control != nullptr ? "<style> needs color, fontColor or fontStyle" : "<style> of a band needs color");
  e.Finish();
  if (NextChild()) TElement(source_, *xml_).Fail("<style> holds no elements");

  std::vector<TConditionalStyle>* styles = nullptr;
  if (control != nullptr) {
    if (control->StyleRule == nullptr) control->StyleRule = std::make_unique<TControlStyles>(state);
    styles = &static_cast<TControlStyles&>(*control->StyleRule).Styles;
  } else {
    if (band->ColorRule == nullptr) band->ColorRule = std::make_unique<TBandStyles>(state);
    styles = &static_cast<TBandStyles&>(*band->ColorRule).Styles;
  }
  styles->push_back(std::move(style));
  const std::size_t index = styles->size() - 1;
  AddExpression(e, "when", control, band, true, [styles, index](std::shared_ptr<const expr::TExpression> x) {
    (*styles)[index].Expression = std::move(x);
  });
}

}  // namespace oxqr
