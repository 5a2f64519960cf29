// A sub-report at work in the runs of the report that holds it, and the dataset of its totals.
#include "definition/SubReport.h"

#include <algorithm>
#include <charconv>

#include "OxQrExport/core/DocumentFunctions.h"
#include "data/DisplayFormat.h"
#include "data/FieldTypes.h"
#include "data/Query.h"
#include "definition/DefinitionBuilder.h"
#include "definition/EnvironmentState.h"
#include "definition/ReportDefinition.h"
#include "engine/Layout.h"
#include "expression/ValueText.h"

namespace oxqr {

namespace {

TFieldType FieldTypeOf(expr::TType type) {
  switch (type) {
    case expr::TType::Text:
      return TFieldType::ftString;
    case expr::TType::Boolean:
      return TFieldType::ftBoolean;
    case expr::TType::Date:
      return TFieldType::ftDate;
    case expr::TType::DateTime:
      return TFieldType::ftDateTime;
    default:
      return TFieldType::ftFloat;
  }
}

// A field's stored value as a parameter reads it: numbers with '.', dates as ISO text.
std::string RawText(const TField& field) {
  if (field.IsNull()) return {};
  const auto* cell = dynamic_cast<const TCellField*>(&field);
  if (cell == nullptr) return field.AsString();
  const TCell& c = cell->Value();
  switch (c.Kind) {
    case TCell::TKind::Int:
      return std::to_string(c.Int);
    case TCell::TKind::Real: {
      char buf[64];
      const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, c.Real);
      return ec == std::errc() ? std::string(buf, end) : field.AsString();
    }
    case TCell::TKind::Text:
      return IsDateType(field.DataType) ? c.Utf8 : c.Bytes;
    default:
      return field.AsString();
  }
}

}  // namespace

// ---- the totals' dataset -------------------------------------------------------------------

TSubReportTotals::TSubReportTotals(std::string name, const std::vector<TSubReportTotal>& totals,
                                   const std::vector<expr::TType>& types)
    : name_(std::move(name)), cells_(totals.size()) {
  for (std::size_t i = 0; i < totals.size(); ++i) {
    auto f = std::make_unique<TCellField>(*this, i);
    f->FieldName = totals[i].Name;
    f->DataType = FieldTypeOf(types.at(i));
    f->DisplayFormat = totals[i].Format;
    fields_.push_back(std::move(f));
  }
}

TSubReportTotals::~TSubReportTotals() = default;

void TSubReportTotals::Set(std::size_t i, const expr::TValue& v) {
  TCell& c = cells_.at(i);
  if (v.Null) {
    c = TCell::Null();
    return;
  }
  switch (v.Type) {
    case expr::TType::Number:
      c = TCell::Float(v.Num.ToDouble());
      break;
    case expr::TType::Boolean:
      c = TCell::Integer(v.Bool ? 1 : 0);
      break;
    case expr::TType::Text:
      c = TCell::FromAnsi(v.Text);
      break;
    case expr::TType::Date:
    case expr::TType::DateTime: {
      const TDateTimeParts dt = expr::PartsOf(v.Ms);
      c = TCell::FromUtf8(FormatDateTime(v.Type == expr::TType::Date ? "yyyy-mm-dd" : "yyyy-mm-dd hh:nn:ss", dt));
      break;
    }
    default:
      c = TCell::Null();
  }
}

void TSubReportTotals::Clear() { std::fill(cells_.begin(), cells_.end(), TCell::Null()); }

TField* TSubReportTotals::FindField(const std::string& name) {
  for (const auto& f : fields_)
    if (SameName(f->FieldName, name)) return f.get();
  return nullptr;
}

std::vector<TField*> TSubReportTotals::Fields() {
  std::vector<TField*> out;
  for (const auto& f : fields_) out.push_back(f.get());
  return out;
}

// ---- the run -------------------------------------------------------------------------------

TSubReportRun::TSubReportRun(TQRCustomReport& report, TReportEnvironment& outer, TQRSubReport& element,
                             TQRSubDetail& run, std::unique_ptr<TReportDefinition> inner, std::vector<TQuery*> queries)
    : report_(&report),
      outer_(outer),
      element_(element),
      run_(run),
      inner_(std::move(inner)),
      queries_(std::move(queries)) {
  report.AddRunObserver(*this);
}

TSubReportRun::~TSubReportRun() { Detach(); }

void TSubReportRun::Detach() {
  if (report_ == nullptr) return;
  report_->RemoveRunObserver(*this);
  for (const auto& sub : inner_->subReports_) sub->Detach();
  inner_->environment_.reset();
  report_ = nullptr;
}

void TSubReportRun::SetTotals(std::unique_ptr<TSubReportTotals> data,
                              std::vector<std::shared_ptr<const expr::TExpression>> exprs) {
  totals_ = std::move(data);
  exprs_ = std::move(exprs);
}

void TSubReportRun::RunStarted(TQRCustomReport& /*report*/) {
  if (totals_ != nullptr) totals_->Clear();
}

void TSubReportRun::ScopeStarted(const TQRCustomBand& scope) {
  if (&scope != &run_) return;
  BindParameters();
  startPage_ = report_->QRPrinter().PageCount();
  startY_ = report_->CurrentY;
}

void TSubReportRun::ScopeEnded(const TQRCustomBand& scope) {
  if (&scope != &run_) return;
  // The least room the sub-report takes: below a short run the report continues lower.
  const TQRLayout* layout = TQRLayout::Of(*report_);
  if (element_.MinHeight > 0 && layout != nullptr && report_->QRPrinter().PageCount() == startPage_) {
    const double end = std::min<double>(startY_ + element_.MinHeight, layout->PageBottom());
    report_->CurrentY = std::max(report_->CurrentY, static_cast<int>(end));
  }
  if (totals_ == nullptr) return;
  expr::TEvalContext ctx = inner_->Environment().State().Expressions().Context();
  expr::TValue value;
  for (std::size_t i = 0; i < exprs_.size(); ++i) {
    exprs_[i]->Evaluate(value, ctx);
    totals_->Set(i, value);
  }
  // One record of the totals printed: the report's own totals and footers take it in.
  const std::vector<TQRRunObserver*> observers = report_->RunObservers();
  for (TQRRunObserver* o : observers) o->RecordPrinted(nullptr, *totals_);
}

std::string TSubReportRun::ValueText(const TSubReportBinding& binding) const {
  const auto& parts = binding.TokenText().Parts();
  // A field alone gives its stored value, whatever its display format.
  if (parts.size() == 1 && parts[0].Kind == TTokenKind::Field && parts[0].Format.empty())
    if (TDataSet* data = outer_.FindDataSet(parts[0].DataSet))
      if (const TField* field = data->FindField(parts[0].Field)) return RawText(*field);
  return outer_.Evaluate(binding.TokenText(), &element_);
}

void TSubReportRun::BindParameters() {
  if (element_.Bindings.empty()) return;
  TReportEnvironment& inner = inner_->Environment();
  for (const auto& b : element_.Bindings) {
    TReportParameter* p = inner.FindParameter(b->Parameter);
    if (p == nullptr) continue;  // checked when the definition loaded
    const std::string text = ValueText(*b);
    if (text.empty() && p->Type != TParamType::String) {
      p->Value.reset();  // an empty value binds as null
      continue;
    }
    try {
      inner.SetParameter(b->Parameter, text);
    } catch (const TParamError& err) {
      throw EOxQRError(element_.At + ": sub-report " + element_.Name + ": " + err.what());
    }
  }
  for (TQuery* q : queries_) {
    const auto& named = q->ParamNames();
    for (const auto& b : element_.Bindings) {
      const bool uses =
          std::any_of(named.begin(), named.end(), [&](const std::string& n) { return SameText(n, b->Parameter); });
      if (!uses) continue;
      const TReportParameter* p = inner.FindParameter(b->Parameter);
      q->SetParam(b->Parameter, p != nullptr && p->Value ? ParamCell(*p->Value) : TCell::Null());
    }
  }
}

}  // namespace oxqr
