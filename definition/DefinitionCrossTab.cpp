// <crosstab dataset="Orders" rows="Orders.PaymentMethod" columns="monthname(Orders.SaleDate)"
//           value="sum(Orders.AmountPaid)" format="#,##0.00"/>: a cross-tab over a dataset's
// records. Its expressions are compiled once every band is known (the band that resets it
// may be named further down); their faults join the definition's others.
#include <algorithm>

#include "definition/CrossTabControl.h"
#include "definition/DefinitionBuilder.h"
#include "definition/EnvironmentState.h"
#include "expression/Nodes.h"
#include "expression/Parser.h"

namespace oxqr {

using oxr::TElement;

namespace {

using namespace expr;

constexpr double kMaxMM = 5000;

// The report's names, with the one total of a cross-tab's value taken aside: rows and
// columns are values of a record and hold none.
class TCrossTabScope final : public TNameScope {
 public:
  TCrossTabScope(TExpressionState& state, bool takesTotal) : base_(state.Scope()), takesTotal_(takesTotal) {}

  TFieldAnswer Field(std::string_view dataSet, std::string_view field) override { return base_->Field(dataSet, field); }
  TNodePtr Parameter(std::string_view name, std::string& message) override { return base_->Parameter(name, message); }
  TNodePtr Variable(std::string_view name, std::string& message) override { return base_->Variable(name, message); }
  TDataSet* DataSet(std::string_view name) override { return base_->DataSet(name); }

  TNodePtr Total(TTotalRequest request, std::string& message, bool& atGroup) override {
    if (!takesTotal_) {
      message = "a cross-tab's rows and columns are values of each record; the total goes in its value";
      return nullptr;
    }
    if (!request.Group.empty()) {
      atGroup = true;
      message = "a cross-tab's value starts again with the cross-tab: name the group as its group attribute";
      return nullptr;
    }
    if (request.Kind == TTotal::RunningSum) {
      message = "a cross-tab's value is sum, count, avg, min or max";
      return nullptr;
    }
    Kind = request.Kind;
    Argument = std::move(request.Argument);
    Taken = true;
    TValue none;
    none.SetNull(Argument ? (Kind == TTotal::Min || Kind == TTotal::Max ? Argument->Type() : TType::Number)
                          : TType::Number);
    return MakeConstant(none);
  }

  TTotal Kind = TTotal::Sum;
  TNodePtr Argument;
  bool Taken = false;

 private:
  std::unique_ptr<TNameScope> base_;
  bool takesTotal_;
};

// The first field an expression reads (Dataset.Field; param.X is no field), or nullptr.
const TAst* FirstField(const TAst& n) {
  if (n.Kind == TAstKind::Member && n.Text != "param") return &n;
  for (const auto& a : n.Args)
    if (const TAst* f = FirstField(*a)) return f;
  return nullptr;
}

bool IsTotalName(std::string_view name) {
  static constexpr std::string_view kNames[] = {"sum", "count", "avg", "min", "max"};
  return std::any_of(std::begin(kNames), std::end(kNames), [&](std::string_view t) {
    return name.size() == t.size() && std::equal(t.begin(), t.end(), name.begin(), [](char a, char b) {
             return a == std::tolower(static_cast<unsigned char>(b));
           });
  });
}

// The group or sub-detail band whose footer `band` is, or nullptr.
const TQRCustomBand* ScopeOfFooter(const TQRCustomReport& report, const TQRCustomBand* band) {
  for (const auto& b : report.Bands()) {
    if (const auto* g = dynamic_cast<const TQRGroup*>(b.get()); g != nullptr && g->FooterBand == band) return g;
    if (const auto* s = dynamic_cast<const TQRSubDetail*>(b.get()); s != nullptr && s->FooterBand == band) return s;
  }
  return nullptr;
}

}  // namespace

void TDefinitionBuilder::ReadCrossTab(TElement& e, TQRCustomBand& band) {
  auto& c = band.Add<TDefinitionCrossTab>();
  ReadCommon(e, c);
  c.Font = e.Font("font", c.Font);
  c.RowHeaderWidth = e.Length("rowHeaderWidth", c.RowHeaderWidth / 10, 1, kMaxMM) * 10;
  c.ColumnWidth = e.Length("columnWidth", c.ColumnWidth / 10, 1, kMaxMM) * 10;
  c.RowHeight = e.Length("rowHeight", c.RowHeight / 10, 1, kMaxMM) * 10;
  c.TotalCaption = e.Text("totalCaption", c.TotalCaption);
  c.DataSetName = e.Required("dataset");
  TDataSet* data = DataSetAt(c.DataSetName, e.ValueOffset("dataset"));
  c.Rows = e.Required("rows");
  c.Columns = e.Required("columns");
  c.Value = e.Required("value");
  c.Format = e.Text("format", "");
  c.Group = e.Text("group", "");
  const qint64 rowsAt = e.ValueOffset("rows"), columnsAt = e.ValueOffset("columns");
  const qint64 valueAt = e.ValueOffset("value"), groupAt = e.ValueOffset("group");
  const TQRCustomBand* inBand = &band;
  afterBands_.push_back([this, &c, data, inBand, rowsAt, columnsAt, valueAt, groupAt] {
    detail::TEnvironmentState& env = result_->Environment().State();
    TExpressionState& state = env.Expressions();
    TCrossTabValues::TSources sources;
    sources.Data = data;
    sources.Format = c.Format;
    sources.Name = c.Name.empty() ? "in band " + inBand->Name : c.Name;
    if (!c.Group.empty()) {
      sources.Scope = env.FindScope(c.Group);
      if (sources.Scope == nullptr)
        AddFault(groupAt, c.Group.size(), "unknown group '" + c.Group + "' (a group or sub-detail band's name)");
    } else {
      sources.Scope = ScopeOfFooter(result_->Report(), inBand);
    }
    bool ok = true;
    const auto faults = [&](const TFaults& list, qint64 at) {
      for (const auto& f : list) {
        const qint64 from = source_.ValueCharOffset(at, f.Offset);
        const qint64 to = source_.ValueCharOffset(at, f.Offset + f.Length);
        AddFault(from, static_cast<std::size_t>(std::max<qint64>(1, to - from)), f.Message);
        ok = false;
      }
    };
    // A header's text and the key it sorts by: the first field it reads, else itself.
    const auto header = [&](const std::string& source, qint64 at) {
      TCrossTabValues::THeaderSource h;
      TCrossTabScope scope(state, false);
      TCompiled compiled = Compile(source, scope);
      faults(compiled.Faults, at);
      if (!compiled.Expression) return h;
      h.Value = std::move(compiled.Expression);
      h.Key = h.Value;
      TFault fault;
      if (const auto tree = Parse(source, fault))
        if (const TAst* field = FirstField(*tree)) {
          TCrossTabScope keyScope(state, false);
          if (TCompiled key = Compile(field->Text + "." + field->Member, keyScope); key.Expression)
            h.Key = std::move(key.Expression);
        }
      return h;
    };
    sources.Rows = header(c.Rows, rowsAt);
    sources.Columns = header(c.Columns, columnsAt);

    TFault fault;
    const auto tree = Parse(c.Value, fault);
    if (tree && !(tree->Kind == TAstKind::Call && IsTotalName(tree->Text))) {
      AddFault(valueAt, std::max<std::size_t>(1, c.Value.size()),
               "a cross-tab's value is a total: sum(...), count(...), avg(...), min(...) or max(...)");
      return;
    }
    TCrossTabScope scope(state, true);
    TCompiled compiled = Compile(c.Value, scope);
    faults(compiled.Faults, valueAt);
    if (!ok || !scope.Taken) return;
    sources.Kind = scope.Kind;
    sources.Argument = std::move(scope.Argument);
    c.Values.SetSources(std::move(sources));
    state.AddRecordValues(c.Values);
  });
  EndLeaf(e);
}

void TDefinitionBuilder::CompileCrossTabs() {
  for (const auto& compile : afterBands_) compile();
}

}  // namespace oxqr
