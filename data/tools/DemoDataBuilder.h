#pragma once
// Builds the DEMODATA sample database (tables customer, orders, events, animals) from
// the committed sources in data/demodata and a seeded generator: the same scale gives
// the same data on every machine.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace oxqr {

struct TDemoDataOptions {
  int Scale = 1;  // multiplies the number of customers (50) and orders (200)
};

// A value of a generated row: null, integer, real, text or blob.
struct TDemoValue {
  enum class TKind { Null, Int, Real, Text, Blob } Kind = TKind::Null;
  std::int64_t Int = 0;
  double Real = 0;
  std::string Text;
  static TDemoValue Null() { return {}; }
  static TDemoValue I(std::int64_t v) { TDemoValue x; x.Kind = TKind::Int; x.Int = v; return x; }
  static TDemoValue R(double v) { TDemoValue x; x.Kind = TKind::Real; x.Real = v; return x; }
  static TDemoValue T(std::string v) { TDemoValue x; x.Kind = TKind::Text; x.Text = std::move(v); return x; }
  static TDemoValue B(std::string v) { TDemoValue x; x.Kind = TKind::Blob; x.Text = std::move(v); return x; }
  static TDemoValue OptT(std::string v) { return v.empty() ? Null() : T(std::move(v)); }
};

// Where generated rows go: an SQLite file (DemoDataBuilder.cpp) or a server (DemoDataServer.cpp).
class TDemoWriter {
 public:
  virtual ~TDemoWriter() = default;
  virtual void Insert(const std::string& table, const std::vector<TDemoValue>& values) = 0;
};
// Generates every row of the sample tables into `w`, in a fixed order: orders,
// customers, events, animals.
void WriteDemoData(TDemoWriter& w, const TDemoDataOptions& options);

// Writes the database to `path`, replacing an existing file. The file appears only
// when complete (written beside it, then renamed). Throws std::runtime_error.
void BuildDemoDatabase(const std::string& path, const TDemoDataOptions& options = {});

// Creates and fills the DEMODATA tables in the PostgreSQL database `uri` names, in one
// transaction. Tables or types of the same names already there make it fail, unless
// `replace` (they are dropped first). Messages never show the password. Throws
// std::runtime_error.
void BuildDemoServerDatabase(const std::string& uri, const TDemoDataOptions& options, bool replace);

}  // namespace oxqr
