// Evaluation of token text, the aggregates through a run, and the deferred values filled
// in on the preview's pages when the run ends.
#include "EnvironmentState.h"

#include <algorithm>

#include "OxQrExport/core/DocumentFunctions.h"
#include "ReportEnvironment.h"
#include "data/CellDataSet.h"
#include "data/DataSet.h"
#include "data/DisplayFormat.h"
#include "data/FieldTypes.h"
#include "engine/Report.h"
#include "expression/ValueText.h"
#include "platform/Locale.h"

namespace oxqr::detail {
namespace {

// Whether `data` follows the records of `master` (linked to it, directly or through other
// linked datasets), so that its fields change whenever the master moves.
bool Follows(const TDataSet& data, const TDataSet& master) {
  const auto* linked = dynamic_cast<const TCellDataSet*>(data.Records());
  for (int depth = 0; linked != nullptr && linked->MasterSource != nullptr && depth < 64; ++depth) {
    if (linked->MasterSource->DataSet->Records() == master.Records()) return true;
    linked = dynamic_cast<const TCellDataSet*>(linked->MasterSource->DataSet->Records());
  }
  return false;
}

std::string NumberText(double value, const std::string& format) {
  return format.empty() ? std::to_string(static_cast<long long>(value)) : FormatFloat(format, value);
}

// A field's value: its display text, or the explicit format for a number or date.
std::string FieldText(const TField& field, const std::string& format) {
  if (field.IsNull()) return {};
  if (format == kUrlFormat) return UrlQueryText(field.DisplayText());
  if (format.empty()) return field.DisplayText();
  if (IsDateType(field.DataType)) return FormatDateTime(format, SerialToDateTime(field.AsFloat()));
  if (IsNumericType(field.DataType)) return FormatFloat(format, field.AsFloat());
  return field.DisplayText();
}

std::string ParamText(const TReportParameter& p, const std::string& format) {
  if (format == kUrlFormat) return UrlQueryText(p.DisplayText());
  if (!p.Value || format.empty()) return p.DisplayText();
  if (const auto* i = std::get_if<std::int64_t>(&*p.Value)) return FormatFloat(format, static_cast<double>(*i));
  if (const auto* d = std::get_if<double>(&*p.Value)) return FormatFloat(format, *d);
  if (const auto* dt = std::get_if<TDateTimeParts>(&*p.Value)) return FormatDateTime(format, *dt);
  return p.DisplayText();
}

TDateTimeParts NowParts() {
  const TLocalTime now = Now();
  TDateTimeParts dt;
  dt.Year = now.Tm.tm_year + 1900;
  dt.Month = now.Tm.tm_mon + 1;
  dt.Day = now.Tm.tm_mday;
  dt.Hour = now.Tm.tm_hour;
  dt.Minute = now.Tm.tm_min;
  dt.Second = now.Tm.tm_sec;
  return dt;
}

// The band `band` is printed through: the first of its chain of child bands.
const TQRCustomBand* RootBand(const TQRCustomReport& report, const TQRCustomBand* band) {
  for (std::size_t guard = 0; guard <= report.Bands().size(); ++guard) {
    const auto parent = std::find_if(report.Bands().begin(), report.Bands().end(),
                                     [band](const auto& b) { return b->ChildBand == band; });
    if (parent == report.Bands().end()) break;
    band = parent->get();
  }
  return band;
}

}  // namespace

std::string TEvaluation::Joined() const {
  std::string out;
  for (const auto& p : Parts) out += p;
  return out;
}

TEnvironmentState::TEnvironmentState(TReportEnvironment& env)
    : env_(env), expressions_(std::make_unique<TExpressionState>(env)) {}
TEnvironmentState::~TEnvironmentState() = default;

// ---- names ----------------------------------------------------------------------------

const TQRCustomBand* TEnvironmentState::FindScope(const std::string& name) const {
  for (const auto& b : env_.Report().Bands()) {
    const bool scope =
        dynamic_cast<const TQRGroup*>(b.get()) != nullptr || dynamic_cast<const TQRSubDetail*>(b.get()) != nullptr;
    if (scope && env_.Holds(*b) && SameText(b->Name, name)) return b.get();
  }
  return nullptr;
}

TAggregate* TEnvironmentState::AggregateOf(const TTokenPart& part, const TQRPrintable* /*control*/) const {
  const TDataSet* data = env_.FindDataSet(part.DataSet);
  if (data == nullptr) return nullptr;
  const TQRCustomBand* scope = part.Name.empty() ? env_.RunScope() : FindScope(part.Name);
  if (!part.Name.empty() && scope == nullptr) return nullptr;
  for (const auto& a : aggregates_)
    if (a->Matches(part.Function, *data, part.Field, scope)) return a.get();
  return nullptr;
}

TAggregate& TEnvironmentState::AddAggregate(const TTokenPart& part, const TQRPrintable* control) {
  if (TAggregate* found = AggregateOf(part, control)) return *found;
  TDataSet* data = env_.FindDataSet(part.DataSet);
  const TQRCustomBand* scope = part.Name.empty() ? env_.RunScope() : FindScope(part.Name);
  aggregates_.push_back(std::make_unique<TAggregate>(part.Function, *data, part.Field, scope));
  if (running_) aggregates_.back()->StartRun();
  return *aggregates_.back();
}

bool TEnvironmentState::IsDeferred(const TTokenPart& part, const TQRPrintable* control) const {
  if (part.Kind == TTokenKind::Pages) return true;
  if (part.Kind == TTokenKind::Expression) return part.Compiled != nullptr && part.Compiled->Deferred();
  if (part.Kind != TTokenKind::Aggregate || control == nullptr || control->ParentBand() == nullptr) return false;
  const TQRCustomBand* root = RootBand(env_.Report(), control->ParentBand());
  if (part.Name.empty() && env_.RunScope() == nullptr) {
    // Over the whole report: bands printed before (or between) the records.
    switch (root->BandType) {
      case TQRBandType::rbTitle:
      case TQRBandType::rbPageHeader:
      case TQRBandType::rbColumnHeader:
      case TQRBandType::rbGroupHeader:
        return true;
      default:
        return false;
    }
  }
  // A sub-report's total without a group counts its run.
  const TQRCustomBand* scope = part.Name.empty() ? env_.RunScope() : FindScope(part.Name);
  if (const auto* sub = dynamic_cast<const TQRSubDetail*>(scope)) return root == sub->HeaderBand;
  return scope != nullptr && root == scope;
}

bool TEnvironmentState::InClosingBand(const TQRPrintable* control) const {
  if (control == nullptr || control->ParentBand() == nullptr) return false;
  const TQRCustomBand* root = RootBand(env_.Report(), control->ParentBand());
  if (root->BandType == TQRBandType::rbGroupFooter || root->BandType == TQRBandType::rbSummary) return true;
  for (const auto& b : env_.Report().Bands())
    if (const auto* sub = dynamic_cast<const TQRSubDetail*>(b.get()); sub != nullptr && sub->FooterBand == root)
      return true;
  return false;
}

void TEnvironmentState::AddFieldUse(const TTokenPart& part, const TQRPrintable* control) {
  if (part.Kind != TTokenKind::Field || !InClosingBand(control) || ClosingFieldOf(part) != nullptr) return;
  if (TDataSet* data = env_.FindDataSet(part.DataSet))
    closingFields_.push_back({data, part.Field, part.Format, {}});
}

const TEnvironmentState::TClosingField* TEnvironmentState::ClosingFieldOf(const TTokenPart& part) const {
  const TDataSet* data = env_.FindDataSet(part.DataSet);
  for (const auto& f : closingFields_)
    if (f.Data == data && f.Format == part.Format && SameText(f.Field, part.Field)) return &f;
  return nullptr;
}

// ---- evaluation -----------------------------------------------------------------------

std::string TEnvironmentState::PartText(const TTokenPart& part, const TQRPrintable* control) const {
  switch (part.Kind) {
    case TTokenKind::Literal:
      return part.Text;
    case TTokenKind::Field: {
      if (InClosingBand(control))
        if (const TClosingField* closing = ClosingFieldOf(part)) return closing->Text;
      TDataSet* data = env_.FindDataSet(part.DataSet);
      const TField* field = data != nullptr ? data->FindField(part.Field) : nullptr;
      return field != nullptr ? FieldText(*field, part.Format) : std::string();
    }
    case TTokenKind::Param: {
      const TReportParameter* p = env_.FindParameter(part.Name);
      return p != nullptr ? ParamText(*p, part.Format) : std::string();
    }
    case TTokenKind::Page:
      return NumberText(expressions_->PageNow(), part.Format);
    case TTokenKind::Pages:
      return NumberText(expressions_->PagesNow(), part.Format);
    case TTokenKind::Date:
      return FormatDateTime(part.Format.empty() ? kDefaultDateFormat : part.Format, NowParts());
    case TTokenKind::Time:
      return FormatDateTime(part.Format.empty() ? "hh:nn:ss" : part.Format, NowParts());
    case TTokenKind::Title:
      return env_.Title();
    case TTokenKind::Aggregate: {
      const TAggregate* a = AggregateOf(part, control);
      return a != nullptr ? a->Text(part.Format) : std::string();
    }
    case TTokenKind::Expression:
      return ExpressionText(part, nullptr);
  }
  return {};
}

TEvaluation TEnvironmentState::Evaluate(const TTokenText& text, const TQRPrintable* control) const {
  TEvaluation ev;
  const bool exporting = env_.Report().Exporting();
  for (std::size_t i = 0; i < text.Parts().size(); ++i) {
    const TTokenPart& part = text.Parts()[i];
    ev.Parts.push_back(PartText(part, control));
    if (!IsDeferred(part, control)) continue;
    TDeferredRef ref;
    ref.Part = i;
    ref.Format = part.Format;
    if (part.Kind == TTokenKind::Expression) {
      // Live in an export run (its totals read the preview's); recorded in a preview run.
      if (!PreviewRunning() || exporting) continue;
      ref.Expression = part.Compiled.get();
      ref.Tape = std::make_shared<expr::TTape>();
      ev.Parts.back() = ExpressionText(part, ref.Tape.get());
      ev.Deferred.push_back(std::move(ref));
      continue;
    }
    if (part.Kind == TTokenKind::Aggregate) {
      ref.Aggregate = AggregateOf(part, control);
      if (ref.Aggregate == nullptr) continue;
      ref.Instance = ref.Aggregate->Instance();
    }
    if (exporting) {
      // The export run prints what the preview run found.
      if (ref.Aggregate == nullptr && previewPages_ > 0)
        ev.Parts.back() = NumberText(expressions_->PagesNow(), part.Format);
      if (ref.Aggregate != nullptr)
        if (const TAggregate::TState* s = ref.Aggregate->PreviewFinal(ref.Instance))
          ev.Parts.back() = ref.Aggregate->Text(*s, part.Format);
    } else if (PreviewRunning()) {
      ev.Deferred.push_back(std::move(ref));
    }
  }
  return ev;
}

// ---- the run --------------------------------------------------------------------------

void TEnvironmentState::StartRun(bool preview) {
  expressions_->StartRun(preview);
  running_ = true;
  preview_ = preview;
  draws_.clear();
  for (const auto& a : aggregates_) a->StartRun();
  for (auto& f : closingFields_) f.Text.clear();
}

void TEnvironmentState::RecordPrinted(const TDataSet& data) {
  expressions_->RecordPrinted(data);
  for (const auto& a : aggregates_)
    if (a->Data().Records() == data.Records()) a->Add();  // see TExpressionState::RecordPrinted
  for (auto& f : closingFields_) {
    if (f.Data->Records() != data.Records() && !Follows(*f.Data, data)) continue;
    const TField* field = f.Data->FindField(f.Field);
    f.Text = field != nullptr ? FieldText(*field, f.Format) : std::string();
  }
}

void TEnvironmentState::ScopeStarted(const TQRCustomBand& scope) {
  expressions_->ScopeStarted(scope);
  for (const auto& a : aggregates_)
    if (a->Scope() == &scope) a->StartInstance();
}

void TEnvironmentState::ScopeEnded(const TQRCustomBand& scope) {
  expressions_->ScopeEnded(scope);
  for (const auto& a : aggregates_)
    if (a->Scope() == &scope) a->EndInstance();
}

void TEnvironmentState::FinishRun(TQRPrinter& printer) {
  finalPages_ = printer.PageCount();
  expressions_->FinishRun(finalPages_, preview_);
  for (const auto& a : aggregates_) a->FinishRun(preview_);
  if (preview_) {
    previewPages_ = finalPages_;
    ResolveDraws(printer);
  }
  draws_.clear();
  running_ = false;
}

std::string TEnvironmentState::ExpressionText(const TTokenPart& part, expr::TTape* tape) const {
  if (part.Compiled == nullptr) return {};
  expr::TEvalContext ctx = expressions_->Context();
  ctx.Tape = tape;
  part.Compiled->Evaluate(value_, ctx);
  std::string text;
  expr::AppendValueText(value_, part.Format, text);
  return text;
}

std::string TEnvironmentState::FinalText(const TDeferredRef& ref, int page) const {
  if (ref.Expression != nullptr) {
    expr::TEvalContext ctx = expressions_->Context();
    ctx.Tape = ref.Tape.get();
    ctx.Replay = true;
    ref.Expression->Evaluate(value_, ctx);
    std::string text;
    expr::AppendValueText(value_, ref.Format, text);
    return text;
  }
  if (ref.Aggregate == nullptr) return NumberText(expressions_->FinalPagesOf(page), ref.Format);
  const TAggregate::TState* s = ref.Aggregate->Final(ref.Instance);
  return s != nullptr ? ref.Aggregate->Text(*s, ref.Format) : ref.Aggregate->Text(ref.Format);
}

// Each page with deferred drawings is read once, its drawings replaced (from the last, so
// that the positions of the earlier ones hold) and the page stored again. A drawing is
// found again by its records at or after where it started: the band slips its background
// in under its controls once its height is known.
void TEnvironmentState::ResolveDraws(TQRPrinter& printer) {
  for (std::size_t i = 0; i < draws_.size();) {
    const int pageNo = draws_[i].Page;
    std::size_t j = i;
    while (j < draws_.size() && draws_[j].Page == pageNo) ++j;
    if (const TMetafile* stored = printer.Page(pageNo)) {
      TMetafile page = *stored;
      for (std::size_t k = j; k-- > i;) Splice(page, draws_[k]);
      printer.ReplacePage(pageNo, page);
    }
    i = j;
  }
}

void TEnvironmentState::Splice(TMetafile& page, const TDeferredDraw& draw) const {
  auto& records = page.Records;
  const std::size_t n = draw.Records.size();
  for (std::size_t at = draw.Begin; at + n <= records.size(); ++at) {
    const bool same =
        std::equal(draw.Records.begin(), draw.Records.end(), records.begin() + static_cast<std::ptrdiff_t>(at),
                   [](const TMetaRecord& a, const TMetaRecord& b) { return SameRecord(a, b); });
    if (!same) continue;
    std::vector<std::string> parts = draw.Evaluation.Parts;
    for (const TDeferredRef& ref : draw.Evaluation.Deferred) parts[ref.Part] = FinalText(ref, draw.Page);
    std::string text;
    for (const auto& p : parts) text += p;
    const std::vector<TMetaRecord> fresh = draw.Redraw(text);
    const auto first = records.begin() + static_cast<std::ptrdiff_t>(at);
    records.erase(first, first + static_cast<std::ptrdiff_t>(n));
    records.insert(records.begin() + static_cast<std::ptrdiff_t>(at), fresh.begin(), fresh.end());
    return;
  }
}

}  // namespace oxqr::detail
