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
  color_ = control.Color;
  auto* label = dynamic_cast<TQRCustomLabel*>(&control);
  if (label != nullptr) {
    font_ = label->Font;
    transparent_ = label->Transparent;
  }
  const TConditionalStyle* s = Holding();
  if (s == nullptr) return;
  if (s->Color) control.Color = *s->Color;
  if (label == nullptr) return;
  if (s->Color) label->Transparent = false;
  if (s->FontColor) label->Font.Color = *s->FontColor;
  if (s->FontStyle) label->Font.Style = *s->FontStyle;
}

void TControlStyles::Restore(TQRPrintable& control) {
  control.Color = color_;
  if (auto* label = dynamic_cast<TQRCustomLabel*>(&control)) {
    label->Font = font_;
    label->Transparent = transparent_;
  }
}

TColor TBandStyles::ColorNow(TColor made) const {
  for (const auto& s : Styles)
    if (oxqr::Holds(s.Expression, state_)) return s.Color.value_or(made);
  return made;
}

}  // namespace oxqr
