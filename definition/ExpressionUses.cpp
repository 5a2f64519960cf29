#include "definition/ExpressionUses.h"

#include "definition/ExpressionState.h"
#include "engine/Controls.h"

namespace oxqr {

namespace {

bool Holds(const TExpressionPtr& e, TExpressionState& state) {
  if (e == nullptr) return false;
  expr::TEvalContext ctx = state.Context();
  return e->Holds(ctx);
}

}  // namespace

bool TExpressionCondition::Holds() const { return expression_ == nullptr || oxqr::Holds(expression_, state_); }

// The value as text that tells values apart: its type, then an exact spelling.
std::string TExpressionGroupKey::Value() const {
  if (expression_ == nullptr) return {};
  expr::TEvalContext ctx = state_.Context();
  expression_->Evaluate(value_, ctx);
  if (value_.Null) return "null";
  switch (value_.Type) {
    case expr::TType::Number: return "n" + value_.Num.ToString();
    case expr::TType::Text: return "t" + value_.Text;
    case expr::TType::Boolean: return value_.Bool ? "b1" : "b0";
    case expr::TType::Date:
    case expr::TType::DateTime: return "d" + std::to_string(value_.Ms);
    case expr::TType::Null: break;
  }
  return "null";
}

const TConditionalStyle* TControlStyles::Holding() const {
  for (const auto& s : Styles)
    if (oxqr::Holds(s.Expression, state_)) return &s;
  return nullptr;
}

void TControlStyles::Apply(TQRPrintable& control) {
  // Only a style that holds changes (and saves) anything: most records print as made.
  applied_ = Holding();
  if (applied_ == nullptr) return;
  const TConditionalStyle& s = *applied_;
  color_ = control.Color;
  if (s.Color) control.Color = *s.Color;
  auto* label = dynamic_cast<TQRCustomLabel*>(&control);
  if (label == nullptr) return;
  fontColor_ = label->Font.Color;
  fontStyle_ = label->Font.Style;
  transparent_ = label->Transparent;
  if (s.Color) label->Transparent = false;
  if (s.FontColor) label->Font.Color = *s.FontColor;
  if (s.FontStyle) label->Font.Style = *s.FontStyle;
}

void TControlStyles::Restore(TQRPrintable& control) {
  if (applied_ == nullptr) return;
  control.Color = color_;
  if (auto* label = dynamic_cast<TQRCustomLabel*>(&control)) {
    label->Font.Color = fontColor_;
    label->Font.Style = fontStyle_;
    label->Transparent = transparent_;
  }
  applied_ = nullptr;
}

TColor TBandStyles::ColorNow(TColor made) const {
  for (const auto& s : Styles)
    if (oxqr::Holds(s.Expression, state_)) return s.Color.value_or(made);
  return made;
}

}  // namespace oxqr
