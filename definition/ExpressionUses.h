#pragma once
// Where a definition uses expressions besides text: a print condition, the value a group
// breaks on, and conditional styles of controls and bands. Each holds its compiled
// expression (set once the definition is checked) and its source, which the writer writes
// back.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/Band.h"
#include "engine/Printable.h"
#include "expression/Compiled.h"
#include "platform/Font.h"

namespace oxqr {

class TExpressionState;
using TExpressionPtr = std::shared_ptr<const expr::TExpression>;

// printWhen as an expression: printed when it is true (null counts as false).
class TExpressionCondition final : public TQRPrintCondition {
 public:
  TExpressionCondition(TExpressionState& state, std::string source) : state_(state), source_(std::move(source)) {}
  bool Holds() const override;
  const std::string& Source() const { return source_; }
  void SetExpression(TExpressionPtr e) { expression_ = std::move(e); }

 private:
  TExpressionState& state_;
  std::string source_;
  TExpressionPtr expression_;
};

// A group that breaks when the value of an expression changes.
class TExpressionGroupKey final : public TQRGroupKey {
 public:
  TExpressionGroupKey(TExpressionState& state, std::string source) : state_(state), source_(std::move(source)) {}
  std::string Value() const override;
  const std::string& Source() const { return source_; }
  void SetExpression(TExpressionPtr e) { expression_ = std::move(e); }

 private:
  TExpressionState& state_;
  std::string source_;
  TExpressionPtr expression_;
  mutable expr::TValue value_;
};

// One <style when="..."> of a control or band: what it changes when its condition holds.
struct TConditionalStyle {
  std::string When;
  TExpressionPtr Expression;
  std::optional<TColor> FontColor;
  std::optional<TFontStyles> FontStyle;
  std::optional<TColor> Color;
  // Where `when` starts in the definition, for its faults.
  long long WhenOffset = 0;
};

// The styles of a control: the first whose condition holds changes the control's colour and
// its text's colour and style while it prints.
class TControlStyles final : public TQRStyleRule {
 public:
  explicit TControlStyles(TExpressionState& state) : state_(state) {}
  std::vector<TConditionalStyle> Styles;
  void Apply(TQRPrintable& control) override;
  void Restore(TQRPrintable& control) override;
  // The first style whose condition holds, or nullptr.
  const TConditionalStyle* Holding() const;

 private:
  TExpressionState& state_;
  const TConditionalStyle* applied_ = nullptr;  // the style Apply applied, if any
  TColor color_ = clWhite;
  TColor fontColor_ = clBlack;
  TFontStyles fontStyle_;
  bool transparent_ = false;
};

// The styles of a band: the first whose condition holds gives the band its colour.
class TBandStyles final : public TQRCustomBand::TColorRule {
 public:
  explicit TBandStyles(TExpressionState& state) : state_(state) {}
  std::vector<TConditionalStyle> Styles;
  TColor ColorNow(TColor made) const override;

 private:
  TExpressionState& state_;
};

}  // namespace oxqr
