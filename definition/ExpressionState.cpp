// Names of expressions in a report and their leaves: each leaf reads the report's state
// when the expression is evaluated.
#include "definition/ExpressionState.h"

#include <algorithm>

#include "OxQrExport/core/DocumentFunctions.h"
#include "data/DataSet.h"
#include "definition/NameChecks.h"
#include "definition/EnvironmentState.h"
#include "definition/ReportEnvironment.h"
#include "engine/Report.h"
#include "expression/Suggest.h"
#include "expression/ValueText.h"

namespace oxqr {

using namespace expr;

namespace {

// ---- leaves ---------------------------------------------------------------------------

class TParamLeaf final : public TLeafNode {
 public:
  TParamLeaf(const TReportParameter& p, TType type) : TLeafNode(type), p_(p) {}
  void Read(TValue& out, TEvalContext&) const override {
    if (!p_.Value) return out.SetNull(Type());
    const TParamValue& v = *p_.Value;
    if (const auto* s = std::get_if<std::string>(&v)) return out.SetText(*s);
    if (const auto* i = std::get_if<std::int64_t>(&v)) return out.SetNumber(TDecimal::FromInt(*i));
    if (const auto* d = std::get_if<double>(&v)) {
      const auto dec = TDecimal::FromDouble(*d);
      return dec ? out.SetNumber(*dec) : out.SetNull(TType::Number);
    }
    if (const auto* dt = std::get_if<TDateTimeParts>(&v)) return out.SetDate(Type(), MsOf(*dt));
    out.SetBool(std::get<bool>(v));
  }

 private:
  const TReportParameter& p_;
};

class TLineLeaf final : public TLeafNode {
 public:
  TLineLeaf(const TExpressionState& s, const TDataSet* data, bool group)
      : TLeafNode(TType::Number), s_(s), data_(data), group_(group) {}
  void Read(TValue& out, TEvalContext&) const override {
    out.SetNumber(TDecimal::FromInt(group_ ? s_.GroupLine() : s_.Line(data_)));
  }

 private:
  const TExpressionState& s_;
  const TDataSet* data_;
  bool group_;
};

class TPageLeaf final : public TLeafNode {
 public:
  TPageLeaf(const TExpressionState& s, bool pages) : TLeafNode(TType::Number), s_(s), pages_(pages) {}
  void Read(TValue& out, TEvalContext&) const override {
    const int n = pages_ ? s_.PagesNow() : s_.PageNow();
    out.SetNumber(TDecimal::FromInt(n));
  }
  bool Deferred() const override { return pages_; }
  // The page it was read on: its final count is that of the page's numbering.
  std::int64_t Key() const override { return s_.PrintingPage(); }
  void ReadFinal(TValue& out, std::int64_t key) const override {
    out.SetNumber(TDecimal::FromInt(s_.FinalPagesOf(static_cast<int>(key))));
  }

 private:
  const TExpressionState& s_;
  bool pages_;
};

class TTotalLeaf final : public TLeafNode {
 public:
  TTotalLeaf(const TExpressionState& s, const TExpressionTotal& total, bool deferred)
      : TLeafNode(total.Type()), s_(s), total_(total), deferred_(deferred) {}
  void Read(TValue& out, TEvalContext& ctx) const override {
    // An export run prints what the preview run found for a value not known yet.
    if (deferred_ && s_.Exporting())
      if (const auto* state = total_.PreviewFinal(total_.Instance())) return total_.ValueOf(*state, out, ctx);
    total_.ValueOf(total_.Current(), out, ctx);
  }
  bool Deferred() const override { return deferred_; }
  std::int64_t Key() const override { return static_cast<std::int64_t>(total_.Instance()); }
  void ReadFinal(TValue& out, std::int64_t key) const override {
    TEvalContext ctx;
    const auto* state = total_.Final(static_cast<std::size_t>(key));
    total_.ValueOf(state != nullptr ? *state : total_.Current(), out, ctx);
  }

 private:
  const TExpressionState& s_;
  const TExpressionTotal& total_;
  bool deferred_;
};

class TSnapshotLeaf final : public TLeafNode {
 public:
  TSnapshotLeaf(TType type, const TValue& value) : TLeafNode(type), value_(value) {}
  void Read(TValue& out, TEvalContext&) const override {
    out = value_;
    if (out.Null) out.Type = Type();
  }

 private:
  const TValue& value_;
};

// The band a control or band prints through: the first of its chain of child bands.
const TQRCustomBand* RootOf(const TQRCustomReport& report, const TQRCustomBand* band) {
  for (std::size_t guard = 0; band != nullptr && guard <= report.Bands().size(); ++guard) {
    const auto parent = std::find_if(report.Bands().begin(), report.Bands().end(),
                                     [band](const auto& b) { return b->ChildBand == band; });
    if (parent == report.Bands().end()) break;
    band = parent->get();
  }
  return band;
}

// ---- the scope ------------------------------------------------------------------------

class TReportScope final : public TNameScope {
 public:
  TReportScope(TExpressionState& s, const TQRPrintable* control, const TQRCustomBand* band)
      : s_(s), env_(s.Environment()), control_(control),
        band_(control != nullptr && control->ParentBand() != nullptr ? control->ParentBand() : band) {}

  TFieldAnswer Field(std::string_view dataSet, std::string_view field) override {
    TFieldAnswer a;
    a.Data = env_.FindDataSet(dataSet);
    if (a.Data == nullptr) {
      a.AtDataSet = true;
      const auto names = env_.DataSetNames();
      a.Message = "unknown dataset '" + std::string(dataSet) + "'" + Hint(dataSet, names, "datasets");
      return a;
    }
    if (!a.Data->Active()) {
      try {
        a.Data->Open();
      } catch (const EOxQRError& e) {
        a.AtDataSet = true;
        a.Message = "dataset " + std::string(dataSet) + " cannot be opened: " + e.what();
        return a;
      }
    }
    a.Field = a.Data->FindField(std::string(field));
    if (a.Field == nullptr) {
      std::vector<std::string> names;
      for (const TField* f : a.Data->Fields()) names.push_back(f->FieldName);
      a.Message = "unknown field '" + std::string(field) + "' in dataset " + env_.DataSetName(*a.Data) +
                  Hint(field, names, "fields");
      return a;
    }
    // A footer or the summary prints after the data moved on: the last record printed.
    if (control_ != nullptr && env_.State().InClosingBand(control_) && FieldType(*a.Field) != TType::Null)
      a.Node = s_.LastPrinted(*a.Data, *a.Field);
    return a;
  }

  TNodePtr Parameter(std::string_view name, std::string& message) override {
    const TReportParameter* p = env_.FindParameter(name);
    if (p == nullptr) {
      std::vector<std::string> names;
      for (const TReportParameter* q : env_.Parameters()) names.push_back(q->Name);
      message = "unknown parameter '" + std::string(name) + "'" + Hint(name, names, "parameters");
      return nullptr;
    }
    TType type = TType::Text;
    switch (p->Type) {
      case TParamType::String: type = TType::Text; break;
      case TParamType::Integer:
      case TParamType::Float: type = TType::Number; break;
      case TParamType::Date: type = TType::Date; break;
      case TParamType::Boolean: type = TType::Boolean; break;
    }
    return std::make_unique<TParamLeaf>(*p, type);
  }

  TNodePtr Variable(std::string_view name, std::string& message) override {
    const auto is = [&](std::string_view w) { return SameText(name, w); };
    if (is("page") || is("pages")) return std::make_unique<TPageLeaf>(s_, is("pages"));
    if (is("line")) return std::make_unique<TLineLeaf>(s_, LineData(), false);
    if (is("groupline")) return std::make_unique<TLineLeaf>(s_, nullptr, true);
    std::string hint = DidYouMean(name, {"page", "pages", "line", "groupline", "true", "false", "null"});
    if (hint.empty() && env_.FindDataSet(name) != nullptr) hint = "; a field is written " + std::string(name) + ".Field";
    if (hint.empty()) hint = " (names: page, pages, line, groupline, true, false, null; fields as Dataset.Field)";
    message = "unknown name '" + std::string(name) + "'" + hint;
    return nullptr;
  }

  TDataSet* DataSet(std::string_view name) override { return env_.FindDataSet(name); }

  TNodePtr Total(TTotalRequest request, std::string& message, bool& atGroup) override {
    const TQRCustomBand* scope = env_.RunScope();  // a sub-report's run, or the whole report
    if (!request.Group.empty()) {
      scope = env_.State().FindScope(request.Group);
      if (scope == nullptr) {
        std::vector<std::string> names;
        for (const auto& b : env_.Report().Bands())
          if (!b->Name.empty() && env_.State().FindScope(b->Name) == b.get()) names.push_back(b->Name);
        atGroup = true;
        message = "unknown group '" + request.Group + "'" + Hint(request.Group, names, "groups");
        return nullptr;
      }
    }
    // The records counted are those of the dataset read last in the definition's order
    // (a detail after its master); none read: the report's records.
    TDataSet* data = nullptr;
    for (const auto& n : env_.DataSetNames()) {
      TDataSet* d = env_.FindDataSet(n);
      if (std::find(request.Reads.begin(), request.Reads.end(), d) != request.Reads.end()) data = d;
    }
    if (data == nullptr) data = env_.MainDataSet();
    if (data == nullptr) {
      message = std::string(TotalName(request.Kind)) + " needs records: the report has no dataset";
      return nullptr;
    }
    TExpressionTotal& total = s_.AddTotal(request.Kind, std::move(request.Argument), *data, scope);
    bool deferred = false;
    if (request.Kind != TTotal::RunningSum && control_ != nullptr) {
      TTokenPart part;
      part.Kind = TTokenKind::Aggregate;
      part.Name = request.Group;
      deferred = env_.State().IsDeferred(part, control_);
    }
    return std::make_unique<TTotalLeaf>(s_, total, deferred);
  }

 private:
  static std::string Hint(std::string_view name, const std::vector<std::string>& names, const char* what) {
    std::string hint = DidYouMean(name, names);
    return hint.empty() ? " (" + std::string(what) + ": " + NameList(names) + ")" : hint;
  }
  const TDataSet* LineData() const {
    const TQRCustomBand* root = RootOf(env_.Report(), band_);
    if (const auto* sub = dynamic_cast<const TQRSubDetail*>(root)) return sub->DataSet;
    return env_.MainDataSet();
  }

  TExpressionState& s_;
  TReportEnvironment& env_;
  const TQRPrintable* control_;
  const TQRCustomBand* band_;
};

}  // namespace

TExpressionState::TExpressionState(TReportEnvironment& env) : env_(env) {}
TExpressionState::~TExpressionState() = default;

TCompiled TExpressionState::Compile(std::string_view source, const TQRPrintable* control, const TQRCustomBand* band,
                                    TType wanted) {
  TReportScope scope(*this, control, band);
  return expr::Compile(source, scope, wanted);
}

std::unique_ptr<TNameScope> TExpressionState::Scope() { return std::make_unique<TReportScope>(*this, nullptr, nullptr); }

TExpressionTotal& TExpressionState::AddTotal(TTotal kind, TNodePtr argument, TDataSet& data,
                                             const TQRCustomBand* scope) {
  totals_.push_back(std::make_unique<TExpressionTotal>(kind, std::move(argument), data, scope));
  if (running_) totals_.back()->StartRun();
  return *totals_.back();
}

TRecordListener& TExpressionState::AddListener(std::unique_ptr<TRecordListener> listener) {
  listeners_.push_back(std::move(listener));
  if (running_) listeners_.back()->StartRun();
  return *listeners_.back();
}

TNodePtr TExpressionState::LastPrinted(TDataSet& data, TField& field) {
  auto snapshot = std::make_unique<TSnapshot>();
  snapshot->Data = &data;
  snapshot->Live = MakeField(field, FieldType(field));
  snapshot->Value.SetNull(snapshot->Live->Type());
  auto leaf = std::make_unique<TSnapshotLeaf>(snapshot->Live->Type(), snapshot->Value);
  snapshots_.push_back(std::move(snapshot));
  return leaf;
}

std::int64_t TExpressionState::Line(const TDataSet* data) const {
  const auto it = lines_.find(data != nullptr ? data->Records() : nullptr);
  return it == lines_.end() ? 0 : it->second;
}

int TExpressionState::PrintingPage() const { return env_.Report().PageNumbers().Pages(); }

int TExpressionState::PageNow() const { return env_.Report().PageNumbers().Current(); }

int TExpressionState::PagesNow() const {
  const int page = PrintingPage();
  if (Exporting() && previewPages_ > 0) {
    const int count = previewNumbers_.CountOf(page);
    return count > 0 ? count : previewPages_;
  }
  return env_.Report().PageNumbers().CountOf(page);
}

int TExpressionState::FinalPagesOf(int page) const {
  const int count = finalNumbers_.CountOf(page);
  return count > 0 ? count : finalPages_;
}

bool TExpressionState::Exporting() const { return env_.Report().Exporting(); }

void TExpressionState::StartRun(bool /*preview*/) {
  running_ = true;
  lines_.clear();
  groupLine_ = 0;
  counters_ = {};
  for (const auto& s : snapshots_) s->Value.SetNull(s->Live->Type());
  for (const auto& t : totals_) t->StartRun();
  for (TRecordValues* v : recordValues_) v->StartRun();
  for (const auto& l : listeners_) l->StartRun();
}

void TExpressionState::RecordPrinted(const TDataSet& data) {
  // Datasets are matched by the records they hold: a decorator (calculated fields, a burst's
  // restriction) prints the records of the dataset the expressions name.
  const TDataSet* records = data.Records();
  ++lines_[records];
  if (&data == env_.MainDataSet()) ++groupLine_;
  TEvalContext ctx = Context();
  for (const auto& s : snapshots_)
    if (s->Data->Records() == records) s->Live->Eval(s->Value, ctx);
  for (const auto& t : totals_)
    if (t->Data().Records() == records) t->Add(ctx);
  for (TRecordValues* v : recordValues_) v->RecordPrinted(data, ctx);
  for (const auto& l : listeners_)
    if (l->Data().Records() == records) l->Add(ctx);
}

void TExpressionState::ScopeStarted(const TQRCustomBand& scope) {
  if (const auto* sub = dynamic_cast<const TQRSubDetail*>(&scope)) lines_[sub->DataSet != nullptr ? sub->DataSet->Records() : nullptr] = 0;
  else groupLine_ = 0;
  for (const auto& t : totals_)
    if (t->Scope() == &scope) t->StartInstance();
  for (TRecordValues* v : recordValues_) v->ScopeStarted(scope);
  for (const auto& l : listeners_)
    if (l->Scope() == &scope) l->StartInstance();
}

void TExpressionState::ScopeEnded(const TQRCustomBand& scope) {
  for (const auto& t : totals_)
    if (t->Scope() == &scope) t->EndInstance();
  for (const auto& l : listeners_)
    if (l->Scope() == &scope) l->EndInstance();
}

void TExpressionState::FinishRun(int pages, bool preview) {
  finalPages_ = pages;
  finalNumbers_ = env_.Report().PageNumbers();
  if (preview) {
    previewPages_ = pages;
    previewNumbers_ = finalNumbers_;
  }
  for (const auto& t : totals_) t->FinishRun(preview);
  for (const auto& l : listeners_) l->FinishRun(preview);
  running_ = false;
}

}  // namespace oxqr
