// Preview runs of a grouped report of 20,000 generated records whose labels are plain
// captions, token text known when printed, or token text with deferred values (page N of
// M in the page header, group totals in the group headers) filled in on the stored pages
// when the run ends: the cost of evaluating tokens and of filling in.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "data/DataSet.h"
#include "definition/TokenLabel.h"
#include "engine/Report.h"

namespace oxqr {
namespace {

constexpr int kRecords = 20000;

// Record i: Customer i / 40, Amount i % 100.
class TGeneratedOrders final : public TDataSet {
 public:
  TGeneratedOrders() {
    customer_.FieldName = "Customer";
    customer_.DataType = TFieldType::ftInteger;
    amount_.FieldName = "Amount";
    amount_.DataType = TFieldType::ftFloat;
    amount_.DisplayFormat = "#,##0.00";
  }
  void Open() override { active_ = true; }
  void Close() override { active_ = false; }
  bool Active() const override { return active_; }
  void First() override { Move(0); }
  void Next() override { Move(pos_ + 1); }
  bool Eof() const override { return pos_ >= kRecords; }
  bool IsEmpty() const override { return false; }
  int RecordCount() const override { return kRecords; }
  TField* FindField(const std::string& name) override {
    return name == "Customer" ? &customer_ : name == "Amount" ? &amount_ : nullptr;
  }
  std::vector<TField*> Fields() override { return {&customer_, &amount_}; }
  std::string Name() const override { return "orders"; }

 private:
  class TNumber final : public TField {
   public:
    double Value = 0;
    bool IsNull() const override { return false; }
    std::string AsString() const override { return std::to_string(static_cast<long long>(Value)); }
    double AsFloat() const override { return Value; }
    std::int64_t AsInteger() const override { return static_cast<std::int64_t>(Value); }
    bool AsBoolean() const override { return Value != 0; }
    std::string AsBytes() const override { return AsString(); }
    std::string DisplayText() const override { return AsString(); }
  };
  void Move(int pos) {
    pos_ = pos;
    customer_.Value = pos / 40;
    amount_.Value = pos % 100;
  }
  TNumber customer_, amount_;
  int pos_ = 0;
  bool active_ = false;
};

enum class TTextKind { Plain, Tokens, Deferred };

void AddCaption(TQRCustomBand& band, TReportEnvironment& env, TTextKind kind, const std::string& plain,
                const std::string& tokens, const std::string& deferred) {
  TQRLabel& label = kind == TTextKind::Plain ? band.Add<TQRLabel>() : band.Add<TQRTokenLabel>(env);
  label.Caption = kind == TTextKind::Plain ? plain : kind == TTextKind::Tokens ? tokens : deferred;
  label.Size = TQRSize{45, 0, 0, 1500};
  label.Alignment = TAlignment::taRightJustify;
}

void BM_TokenPreview(benchmark::State& state) {
  const auto kind = static_cast<TTextKind>(state.range(0));
  TGeneratedOrders orders;
  TQRReport report;
  TReportEnvironment env(report);
  env.AddDataSet("Orders", orders);
  report.DataSet = &orders;
  auto band = [&](TQRBandType type) -> TQRCustomBand& {
    auto& b = report.AddBand<TQRCustomBand>(type);
    b.Size.Height = 60;
    return b;
  };
  AddCaption(band(TQRBandType::rbPageHeader), env, kind, "Page", "Page {page}", "Page {page} of {pages}");
  auto& group = report.AddBand<TQRGroup>();
  group.Name = "ByCustomer";
  group.Expression = "Customer";
  group.Size.Height = 60;
  AddCaption(group, env, kind, "Customer", "Customer {Orders.Customer}",
             "Customer {Orders.Customer}: {sum(Orders.Amount, ByCustomer)}");
  group.FooterBand = &band(TQRBandType::rbGroupFooter);
  AddCaption(*group.FooterBand, env, kind, "Total", "Total {sum(Orders.Amount, ByCustomer)}",
             "Total {sum(Orders.Amount, ByCustomer)}");
  AddCaption(band(TQRBandType::rbDetail), env, kind, "Amount", "{Orders.Amount} {sum(Orders.Amount)}",
             "{Orders.Amount} {sum(Orders.Amount)}");
  for (auto _ : state) report.Prepare();
  const int pages = report.QRPrinter().PageCount();
  state.counters["pages"] = pages;
  state.counters["ms_per_page"] =
      benchmark::Counter(static_cast<double>(pages) / 1000, benchmark::Counter::kIsIterationInvariantRate |
                                                               benchmark::Counter::kInvert);
}

BENCHMARK(BM_TokenPreview)->ArgName("plain0_tokens1_deferred2")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace oxqr

BENCHMARK_MAIN();
