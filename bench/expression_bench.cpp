// Expressions: evaluations per second of typical compiled expressions (field arithmetic, a
// condition, a string join, a date function) over a record in memory, and preview runs of
// the customers sample as shipped against the same report with a conditional style on every
// detail row and a computed column (the cost of expressions in a real layout).
#include <benchmark/benchmark.h>

#include <QFile>

#include "BenchSupport.h"
#include "Showcase/samples/SampleReports.h"
#include "definition/ReportDefinition.h"
#include "data/CountingDataSet.h"
#include "expression/CalcDataSet.h"
#include "expression/Checker.h"
#include "expression/Suggest.h"

using namespace oxqr;
using namespace oxqr::expr;

namespace {

class TBenchField final : public TField {
 public:
  TBenchField(std::string name, TFieldType type, double number, std::string text = {}) : number_(number), text_(std::move(text)) {
    FieldName = std::move(name);
    DataType = type;
  }
  bool IsNull() const override { return false; }
  std::string AsString() const override { return text_; }
  double AsFloat() const override { return number_; }
  std::int64_t AsInteger() const override { return static_cast<std::int64_t>(number_); }
  bool AsBoolean() const override { return number_ != 0; }
  std::string AsBytes() const override { return text_; }
  std::string DisplayText() const override { return text_; }

 private:
  double number_;
  std::string text_;
};

// One dataset Orders: Amount (currency), TaxRate (float), Qty (integer), SaleDate, Company.
class TBenchScope final : public TNameScope {
 public:
  TFieldAnswer Field(std::string_view, std::string_view field) override {
    TFieldAnswer a;
    for (auto* f : {&amount_, &rate_, &qty_, &date_, &company_})
      if (f->FieldName == field) a.Field = f;
    if (a.Field == nullptr) a.Message = "unknown field";
    return a;
  }
  TNodePtr Parameter(std::string_view, std::string& m) override {
    m = "none";
    return nullptr;
  }
  TNodePtr Variable(std::string_view, std::string& m) override {
    m = "none";
    return nullptr;
  }
  TDataSet* DataSet(std::string_view) override { return nullptr; }
  TNodePtr Total(TTotalRequest, std::string& m, bool&) override {
    m = "none";
    return nullptr;
  }

 private:
  TBenchField amount_{"Amount", TFieldType::ftCurrency, 1250.10};
  TBenchField rate_{"TaxRate", TFieldType::ftFloat, 8.25};
  TBenchField qty_{"Qty", TFieldType::ftInteger, 3};
  TBenchField date_{"SaleDate", TFieldType::ftDateTime, 45360.6};
  TBenchField company_{"Company", TFieldType::ftString, 0, "Kauai Dive Shoppe"};
};

const char* const kExpressions[] = {
    "round(Orders.Amount * Orders.TaxRate / 100, 2) + Orders.Amount",
    "Orders.Amount > 1000 and Orders.Qty % 2 = 1",
    "upper(Orders.Company) + ' #' + text(Orders.Qty)",
    "monthname(addmonths(Orders.SaleDate, 1))",
};

std::string ReadFile(const std::string& path) {
  QFile f(QString::fromStdString(path));
  f.open(QIODevice::ReadOnly);
  return f.readAll().toStdString();
}

// The customers sample, or with every detail row styled by a condition and a computed column.
std::unique_ptr<TReportDefinition> Customers(bool expressions) {
  TSampleContext ctx;
  ctx.DatabasePath = bench::DatabaseAtScale(1);
  const std::string file = SampleReportFile("customers", ctx);
  std::string text = ReadFile(file);
  if (expressions) {
    const std::string detail = "<band type=\"detail\" name=\"DetailBand1\" height=\"11.1\" color=\"white\">";
    const std::size_t at = text.find(detail);
    if (at == std::string::npos) throw std::runtime_error("the customers sample has changed");
    text.insert(at + detail.size(),
                "\n    <style when=\"line % 2 = 0\" color=\"#F4F4F4\"/>"
                "\n    <label left=\"150\" top=\"5.6\" width=\"38\" height=\"4.5\" align=\"right\""
                " text=\"{= upper(left(Customer.Country, 3)) + ' ' + text(Customer.CustNo % 97)}\">"
                "<style when=\"contains(Customer.Company, 'Dive')\" fontColor=\"red\" fontStyle=\"bold\"/></label>");
  }
  TDefinitionOptions options;
  options.DatabasePath = ctx.DatabasePath;
  return LoadReportDefinitionText(text, file, options);
}

}  // namespace

static void BM_Evaluate(benchmark::State& state) {
  TBenchScope scope;
  const TCompiled c = Compile(kExpressions[state.range(0)], scope);
  if (!c.Expression) {
    state.SkipWithError(c.Faults.at(0).Message.c_str());
    return;
  }
  TValue v;
  TEvalContext ctx;
  for (auto _ : state) {
    c.Expression->Evaluate(v, ctx);
    benchmark::DoNotOptimize(v);
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel(kExpressions[state.range(0)]);
}
BENCHMARK(BM_Evaluate)->DenseRange(0, 3);

static void BM_Compile(benchmark::State& state) {
  TBenchScope scope;
  for (auto _ : state) {
    for (const char* e : kExpressions) benchmark::DoNotOptimize(Compile(e, scope));
  }
  state.SetItemsProcessed(state.iterations() * 4);
}
BENCHMARK(BM_Compile);

// A calculated field over records: the first read of a record evaluates the expression, the
// next two (a token and a total, say) take the kept value.
static void BM_CalcFieldPerRecord(benchmark::State& state) {
  TBenchScope scope;
  TCompiled c = Compile(kExpressions[0], scope);
  TCalcDataSet data(std::make_unique<TCountingDataSet>(1 << 30));
  TCalcField& total = data.AddCalc("Total", std::move(c.Expression), TEvalContext{});
  data.Open();
  data.First();
  for (auto _ : state) {
    data.Next();
    for (int read = 0; read < 3; ++read) benchmark::DoNotOptimize(total.Value());
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("records; three reads each");
}
BENCHMARK(BM_CalcFieldPerRecord);

// Preview run of the customers report: 0 as shipped, 1 with a style and a computed column.
static void BM_CustomersLayout(benchmark::State& state) {
  auto def = Customers(state.range(0) == 1);
  for (auto _ : state) def->Report().Prepare();
  state.SetLabel(state.range(0) == 1 ? "with a conditional style and a computed column" : "as shipped");
  state.counters["pages"] = def->Report().QRPrinter().PageCount();
}
BENCHMARK(BM_CustomersLayout)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
