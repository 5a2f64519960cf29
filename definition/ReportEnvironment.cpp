#include "ReportEnvironment.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>

#include "EnvironmentState.h"
#include "NameChecks.h"
#include "OxQrExport/core/DocumentFunctions.h"
#include "data/DataSet.h"
#include "data/FieldTypes.h"
#include "engine/Report.h"

namespace oxqr {
namespace {

constexpr std::pair<std::string_view, TParamType> kParamTypes[] = {
    {"string", TParamType::String}, {"integer", TParamType::Integer}, {"float", TParamType::Float},
    {"date", TParamType::Date},     {"boolean", TParamType::Boolean},
};

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

TParamType TypeOf(const TParamValue& value) { return static_cast<TParamType>(value.index()); }

bool IsDateText(std::string_view text, TDateTimeParts& out) {
  // A date first (ParseIsoDateTime also reads a time alone), and a day its month has.
  if (text.size() < 10 || text[4] != '-') return false;
  const auto dt = ParseIsoDateTime(text);
  if (!dt) return false;
  const TDateTimeParts back = SerialToDateTime(DateTimeToSerial(*dt));
  if (back.Year != dt->Year || back.Month != dt->Month || back.Day != dt->Day) return false;
  out = *dt;
  return true;
}

}  // namespace

// ---- parameters -----------------------------------------------------------------------

std::string_view ParamTypeName(TParamType type) {
  for (const auto& [name, t] : kParamTypes)
    if (t == type) return name;
  return {};
}

std::optional<TParamType> ParamTypeFromName(std::string_view name) {
  for (const auto& [n, t] : kParamTypes)
    if (n == name) return t;
  return std::nullopt;
}

TParamValue ParseParamValue(TParamType type, std::string_view text) {
  const char* first = text.data();
  const char* last = text.data() + text.size();
  switch (type) {
    case TParamType::String:
      return std::string(text);
    case TParamType::Integer: {
      std::int64_t v = 0;
      if (!text.empty() && text.front() == '+') ++first;
      const auto [end, ec] = std::from_chars(first, last, v);
      if (ec == std::errc::result_out_of_range) throw TParamError("integer out of range: " + Quoted(text));
      if (ec != std::errc() || end != last || first == last)
        throw TParamError("expected an integer, got " + Quoted(text));
      return v;
    }
    case TParamType::Float: {
      double v = 0;
      if (!text.empty() && text.front() == '+') ++first;
      const auto [end, ec] = std::from_chars(first, last, v);
      if (ec != std::errc() || end != last || first == last || !std::isfinite(v))
        throw TParamError("expected a number such as 12.5, got " + Quoted(text));
      return v;
    }
    case TParamType::Date: {
      TDateTimeParts dt;
      if (!IsDateText(text, dt)) throw TParamError("expected a date as yyyy-mm-dd, got " + Quoted(text));
      return dt;
    }
    case TParamType::Boolean:
      for (std::string_view yes : {"true", "yes", "1"})
        if (SameText(text, yes)) return true;
      for (std::string_view no : {"false", "no", "0"})
        if (SameText(text, no)) return false;
      throw TParamError("expected true or false, got " + Quoted(text));
  }
  throw TParamError("unknown parameter type");
}

std::string ParamValueText(const TParamValue& value) {
  switch (TypeOf(value)) {
    case TParamType::String:
      return std::get<std::string>(value);
    case TParamType::Integer:
      return std::to_string(std::get<std::int64_t>(value));
    case TParamType::Float: {
      char buf[64];
      const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, std::get<double>(value));
      return ec == std::errc() ? std::string(buf, end) : std::string();
    }
    case TParamType::Date: {
      const auto& dt = std::get<TDateTimeParts>(value);
      return FormatDateTime(dt.HasTime() ? "yyyy-mm-dd hh:nn:ss" : "yyyy-mm-dd", dt);
    }
    case TParamType::Boolean:
      return std::get<bool>(value) ? "true" : "false";
  }
  return {};
}

std::string TReportParameter::DisplayText() const {
  if (!Value) return {};
  switch (TypeOf(*Value)) {
    case TParamType::String:
      return std::get<std::string>(*Value);
    case TParamType::Integer:
      return std::to_string(std::get<std::int64_t>(*Value));
    case TParamType::Float:
      return FloatToStr(std::get<double>(*Value));
    case TParamType::Date:
      return FormatDateTime(kDefaultDateFormat, std::get<TDateTimeParts>(*Value));
    case TParamType::Boolean:
      return std::get<bool>(*Value) ? "True" : "False";
  }
  return {};
}

// ---- names ----------------------------------------------------------------------------

std::string NameList(const std::vector<std::string>& names) {
  if (names.empty()) return "none";
  std::string out;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i == 12) return out + ", ...";
    out += (i > 0 ? ", " : "") + names[i];
  }
  return out;
}

TDataSet& RequireDataSet(const TReportEnvironment& env, const std::string& name, std::size_t offset) {
  TDataSet* data = env.FindDataSet(name);
  if (data == nullptr)
    throw TTokenError(offset, name.size(),
                      "unknown dataset " + Quoted(name) + " (datasets: " + NameList(env.DataSetNames()) + ")");
  if (!data->Active()) {
    try {
      data->Open();
    } catch (const EOxQRError& e) {
      throw TTokenError(offset, name.size(), "dataset " + name + " cannot be opened: " + e.what());
    }
  }
  return *data;
}

TField& RequireField(TDataSet& data, const std::string& dataSetName, const std::string& field, std::size_t offset) {
  if (TField* f = data.FindField(field)) return *f;
  std::vector<std::string> names;
  for (const TField* f : data.Fields()) names.push_back(f->FieldName);
  throw TTokenError(
      offset, field.size(),
      "unknown field " + Quoted(field) + " in dataset " + dataSetName + " (fields: " + NameList(names) + ")" +
          data.Source());
}

// ---- the environment ------------------------------------------------------------------

TReportEnvironment::TReportEnvironment(TQRCustomReport& report)
    : report_(report), state_(std::make_unique<detail::TEnvironmentState>(*this)) {
  report_.AddRunObserver(*this);
}

TReportEnvironment::~TReportEnvironment() { report_.RemoveRunObserver(*this); }

const std::string& TReportEnvironment::Title() const { return runScope_ != nullptr ? runTitle_ : report_.ReportTitle; }

void TReportEnvironment::SetBands(std::vector<const TQRCustomBand*> bands) {
  bands_ = std::move(bands);
  allBands_ = false;
}

bool TReportEnvironment::Holds(const TQRCustomBand& band) const {
  return allBands_ || std::find(bands_.begin(), bands_.end(), &band) != bands_.end();
}

void TReportEnvironment::SetRunScope(const TQRSubDetail* run, std::string title) {
  runScope_ = run;
  runTitle_ = std::move(title);
}

TDataSet* TReportEnvironment::MainDataSet() const { return runScope_ != nullptr ? runScope_->DataSet : report_.DataSet; }

void TReportEnvironment::AddDataSet(const std::string& name, TDataSet& data) {
  if (name.empty()) throw std::invalid_argument("a dataset needs a name");
  if (FindDataSet(name) != nullptr) throw std::invalid_argument("dataset " + Quoted(name) + " is already defined");
  dataSets_.emplace_back(name, &data);
}

TDataSet* TReportEnvironment::FindDataSet(std::string_view name) const {
  for (const auto& [n, data] : dataSets_)
    if (SameText(n, name)) return data;
  return nullptr;
}

std::string TReportEnvironment::DataSetName(const TDataSet& data) const {
  for (const auto& [n, d] : dataSets_)
    if (d == &data) return n;
  return {};
}

std::vector<std::string> TReportEnvironment::DataSetNames() const {
  std::vector<std::string> names;
  for (const auto& entry : dataSets_) names.push_back(entry.first);
  return names;
}

TReportParameter& TReportEnvironment::AddParameter(const std::string& name, TParamType type,
                                                   std::optional<TParamValue> value) {
  if (name.empty()) throw std::invalid_argument("a parameter needs a name");
  if (FindParameter(name) != nullptr) throw std::invalid_argument("parameter " + Quoted(name) + " is already defined");
  if (value && TypeOf(*value) != type)
    throw std::invalid_argument("parameter " + name + ": the value is not of type " + std::string(ParamTypeName(type)));
  parameters_.push_back(std::make_unique<TReportParameter>(TReportParameter{name, type, std::move(value)}));
  return *parameters_.back();
}

void TReportEnvironment::SetParameter(std::string_view name, std::string_view text) {
  TReportParameter* p = FindParameter(name);
  if (p == nullptr) {
    std::vector<std::string> names;
    for (const auto& q : parameters_) names.push_back(q->Name);
    throw TParamError("unknown parameter " + Quoted(name) + " (parameters: " + NameList(names) + ")");
  }
  try {
    p->Value = ParseParamValue(p->Type, text);
  } catch (const TParamError& e) {
    throw TParamError("parameter " + p->Name + ": " + e.what());
  }
}

TReportParameter* TReportEnvironment::FindParameter(std::string_view name) {
  for (const auto& p : parameters_)
    if (SameText(p->Name, name)) return p.get();
  return nullptr;
}

const TReportParameter* TReportEnvironment::FindParameter(std::string_view name) const {
  return const_cast<TReportEnvironment*>(this)->FindParameter(name);
}

std::vector<const TReportParameter*> TReportEnvironment::Parameters() const {
  std::vector<const TReportParameter*> out;
  for (const auto& p : parameters_) out.push_back(p.get());
  return out;
}

std::vector<std::string> TReportEnvironment::MissingParameters() const {
  std::vector<std::string> out;
  for (const auto& p : parameters_)
    if (!p->Value) out.push_back(p->Name);
  return out;
}

// ---- checking text --------------------------------------------------------------------

void TReportEnvironment::Validate(const TTokenText& text, const TQRPrintable* control) const {
  // Every expression of the text is checked; their faults are given together.
  expr::TFaults faults;
  for (const TTokenPart& part : text.Parts()) {
    switch (part.Kind) {
      case TTokenKind::Field: {
        TDataSet& data = RequireDataSet(*this, part.DataSet, part.DataSetOffset);
        const TField& field = RequireField(data, part.DataSet, part.Field, part.FieldOffset);
        if (!part.Format.empty() && part.Format != kUrlFormat && !IsNumericType(field.DataType) &&
            !IsDateType(field.DataType))
          throw TTokenError(
              part.FormatOffset, part.Format.size(),
              "a format applies to numbers and dates (or is url); " + part.DataSet + "." + part.Field +
                  " is neither");
        break;
      }
      case TTokenKind::Param: {
        const TReportParameter* p = FindParameter(part.Name);
        if (p == nullptr) {
          std::vector<std::string> names;
          for (const auto& q : parameters_) names.push_back(q->Name);
          throw TTokenError(part.NameOffset, part.Name.size(),
                            "unknown parameter " + Quoted(part.Name) + " (parameters: " + NameList(names) + ")");
        }
        if (!part.Format.empty() && part.Format != kUrlFormat &&
            (p->Type == TParamType::String || p->Type == TParamType::Boolean))
          throw TTokenError(part.FormatOffset, part.Format.size(),
                            "a format applies to numbers and dates; parameter " + p->Name + " is a " +
                                std::string(ParamTypeName(p->Type)));
        break;
      }
      case TTokenKind::Aggregate: {
        TDataSet& data = RequireDataSet(*this, part.DataSet, part.DataSetOffset);
        const std::string fn(AggregateFunctionName(part.Function));
        if (!part.Field.empty()) {
          const TField& field = RequireField(data, part.DataSet, part.Field, part.FieldOffset);
          const bool numeric = IsNumericType(field.DataType);
          if ((part.Function == TAggregateFunction::Sum || part.Function == TAggregateFunction::Avg) && !numeric)
            throw TTokenError(part.FieldOffset, part.Field.size(),
                              fn + " needs a numeric field; " + part.DataSet + "." + part.Field + " is not numeric");
          const bool minMax = part.Function == TAggregateFunction::Min || part.Function == TAggregateFunction::Max;
          if (minMax && !part.Format.empty() && !numeric && !IsDateType(field.DataType))
            throw TTokenError(
                part.FormatOffset, part.Format.size(),
                "a format applies to numbers and dates (or is url); " + part.DataSet + "." + part.Field +
                  " is neither");
        }
        if (!part.Name.empty() && state_->FindScope(part.Name) == nullptr) {
          std::vector<std::string> names;
          for (const auto& b : report_.Bands())
            if (!b->Name.empty() && state_->FindScope(b->Name) == b.get()) names.push_back(b->Name);
          throw TTokenError(part.NameOffset, part.Name.size(),
                            "unknown group " + Quoted(part.Name) + " (groups: " + NameList(names) + ")");
        }
        break;
      }
      case TTokenKind::Expression:
        try {
          ValidateExpression(part, control);
        } catch (const TExpressionFaults& e) {
          faults.insert(faults.end(), e.Faults.begin(), e.Faults.end());
        }
        break;
      default:
        break;
    }
  }
  if (!faults.empty()) throw TExpressionFaults(std::move(faults));
}

void TReportEnvironment::ValidateExpression(const TTokenPart& part, const TQRPrintable* control) const {
  if (part.Compiled != nullptr) return;
  expr::TCompiled c = state_->Expressions().Compile(part.Text, control, nullptr);
  for (auto& f : c.Faults) f.Offset += part.NameOffset;
  if (c.Expression && !part.Format.empty() && part.Format != kUrlFormat &&
      (c.Expression->Type() == expr::TType::Text || c.Expression->Type() == expr::TType::Boolean))
    c.Faults.push_back({part.FormatOffset, part.Format.size(),
                        "a format applies to numbers and dates (or is url); this expression gives " +
                            std::string(expr::TypeWithArticle(c.Expression->Type()))});
  if (!c.Faults.empty()) throw TExpressionFaults(std::move(c.Faults));
  part.Compiled = std::move(c.Expression);
}

void TReportEnvironment::Bind() {
  bool deferred = false;
  for (const auto& band : report_.Bands()) {
    if (!Holds(*band)) continue;
    for (const auto& control : band->Controls()) {
      const auto* owner = dynamic_cast<const TTokenTextOwner*>(control.get());
      if (owner == nullptr) continue;
      try {
        const TTokenText& text = owner->TokenText();
        Validate(text, control.get());
        for (const TTokenPart& part : text.Parts()) {
          if (part.Kind == TTokenKind::Aggregate) state_->AddAggregate(part, control.get());
          state_->AddFieldUse(part, control.get());
          deferred = deferred || state_->IsDeferred(part, control.get());
        }
      } catch (const TTokenError& e) {
        const std::string name = control->Name.empty() ? "a control of band " + band->Name : control->Name;
        if (const auto* faults = dynamic_cast<const TExpressionFaults*>(&e)) {
          expr::TFaults named = faults->Faults;
          for (auto& f : named) f.Message = name + ": " + f.Message;
          throw TExpressionFaults(std::move(named));
        }
        throw TTokenError(e.Offset, e.Length, name + ": " + e.what());
      }
    }
  }
  if (deferred) report_.NeedsPreviewRun = true;
}

const expr::TEvalCounters& TReportEnvironment::ExpressionCounters() const { return state_->Expressions().Counters(); }

std::string TReportEnvironment::Evaluate(const TTokenText& text, const TQRPrintable* control) {
  return state_->Evaluate(text, control).Joined();
}

// ---- run events -----------------------------------------------------------------------

void TReportEnvironment::RunStarted(TQRCustomReport& report) {
  Bind();
  state_->StartRun(!report.Exporting());
}

void TReportEnvironment::RecordPrinted(const TQRCustomBand* /*band*/, TDataSet& data) { state_->RecordPrinted(data); }
void TReportEnvironment::ScopeStarted(const TQRCustomBand& scope) { state_->ScopeStarted(scope); }
void TReportEnvironment::ScopeEnded(const TQRCustomBand& scope) { state_->ScopeEnded(scope); }
void TReportEnvironment::RunFinished(TQRCustomReport& report) { state_->FinishRun(report.QRPrinter()); }

}  // namespace oxqr
