#include "data/tools/DemoDataBuilder.h"

#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "data/tools/DemoDataSources.h"
#include "data/tools/EventPhotos.h"

namespace oxqr {

namespace {

constexpr std::uint32_t kSeed = 20240517;
constexpr int kCustomersPerScale = 50;
constexpr int kOrdersPerScale = 200;

// Random numbers from mt19937, whose sequence the standard fixes; the library's
// distributions are not used because their results differ between implementations.
class TRandom {
 public:
  explicit TRandom(std::uint32_t seed) : gen_(seed) {}
  int Below(int n) { return static_cast<int>(gen_() % static_cast<std::uint32_t>(n)); }
  int Between(int lo, int hi) { return lo + Below(hi - lo + 1); }
  bool OneIn(int n) { return Below(n) == 0; }
  template <class T>
  const T& Pick(const std::vector<T>& v) { return v[static_cast<std::size_t>(Below(static_cast<int>(v.size())))]; }

 private:
  std::mt19937 gen_;
};

// Rows of a committed CSV file (header row skipped). The files hold no quoted fields.
std::vector<std::vector<std::string>> ReadCsv(std::string_view name) {
  std::vector<std::vector<std::string>> rows;
  const std::string_view text = demodata::Source(name);
  bool header = true;
  std::size_t pos = 0;
  while (pos < text.size()) {
    auto end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    if (header) { header = false; continue; }
    std::vector<std::string> row;
    std::size_t start = 0;
    for (;;) {
      const auto comma = line.find(',', start);
      row.emplace_back(line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
      if (comma == std::string_view::npos) break;
      start = comma + 1;
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<std::string> ReadParagraphs() {
  std::vector<std::string> out;
  const std::string_view text = demodata::Source("paragraphs.txt");
  std::string cur;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    auto end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (line.empty()) {
      if (!cur.empty()) out.push_back(std::move(cur));
      cur.clear();
    } else {
      cur += (cur.empty() ? "" : " ") + std::string(line);
    }
  }
  if (!cur.empty()) out.push_back(std::move(cur));
  return out;
}

struct TDbCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct TStmtFinalizer {
  void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};

using TValue = TDemoValue;

class TWriter final : public TDemoWriter {
 public:
  explicit TWriter(const std::string& path) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    db_.reset(raw);
    if (rc != SQLITE_OK) throw std::runtime_error("Cannot create \"" + path + "\": " + (raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)));
  }
  void Exec(const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
      const std::string msg = err ? err : "unknown error";
      sqlite3_free(err);
      throw std::runtime_error("SQL failed (" + msg + "): " + sql.substr(0, 80));
    }
  }
  void Insert(const std::string& table, const std::vector<TValue>& values) override {
    auto& stmt = inserts_[table];
    if (!stmt) {
      std::string sql = "INSERT INTO " + table + " VALUES (";
      for (std::size_t i = 0; i < values.size(); ++i) sql += i ? ",?" : "?";
      sql += ")";
      sqlite3_stmt* raw = nullptr;
      if (sqlite3_prepare_v2(db_.get(), sql.c_str(), -1, &raw, nullptr) != SQLITE_OK)
        throw std::runtime_error("Cannot prepare " + sql + ": " + sqlite3_errmsg(db_.get()));
      stmt.reset(raw);
    }
    sqlite3_stmt* s = stmt.get();
    sqlite3_reset(s);
    for (std::size_t i = 0; i < values.size(); ++i) {
      const int idx = static_cast<int>(i) + 1;
      const TValue& v = values[i];
      switch (v.Kind) {
        case TValue::TKind::Null: sqlite3_bind_null(s, idx); break;
        case TValue::TKind::Int: sqlite3_bind_int64(s, idx, v.Int); break;
        case TValue::TKind::Real: sqlite3_bind_double(s, idx, v.Real); break;
        case TValue::TKind::Text: sqlite3_bind_text(s, idx, v.Text.c_str(), static_cast<int>(v.Text.size()), SQLITE_TRANSIENT); break;
        case TValue::TKind::Blob: sqlite3_bind_blob(s, idx, v.Text.data(), static_cast<int>(v.Text.size()), SQLITE_TRANSIENT); break;
      }
    }
    if (sqlite3_step(s) != SQLITE_DONE) throw std::runtime_error("Insert into " + table + " failed: " + sqlite3_errmsg(db_.get()));
  }
  // Finalizes the statements and closes the file, reporting a failed close.
  void Close() {
    inserts_.clear();
    if (sqlite3_close(db_.get()) != SQLITE_OK) throw std::runtime_error(std::string("Cannot close database: ") + sqlite3_errmsg(db_.get()));
    (void)db_.release();
  }

 private:
  std::unique_ptr<sqlite3, TDbCloser> db_;
  std::map<std::string, std::unique_ptr<sqlite3_stmt, TStmtFinalizer>> inserts_;
};

std::vector<std::string> Words(const std::vector<std::vector<std::string>>& rows, const std::string& kind) {
  std::vector<std::string> out;
  for (const auto& r : rows)
    if (r.size() >= 2 && r[0] == kind) out.push_back(r[1]);
  if (out.empty()) throw std::runtime_error("words.csv has no words of kind " + kind);
  return out;
}

std::string Digits(TRandom& rnd, int count) {
  std::string s;
  for (int i = 0; i < count; ++i) s += static_cast<char>('0' + rnd.Below(10));
  return s;
}

double Cents(double v) { return std::round(v * 100.0) / 100.0; }

// Days since 1970-01-01 to "yyyy-mm-dd" (proleptic Gregorian).
std::string IsoDate(long days) {
  days += 719468;
  const long era = (days >= 0 ? days : days - 146096) / 146097;
  const long doe = days - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  const long d = doy - (153 * mp + 2) / 5 + 1;
  const long m = mp < 10 ? mp + 3 : mp - 9;
  const long y = yoe + era * 400 + (m <= 2);
  char buf[80];
  std::snprintf(buf, sizeof buf, "%04ld-%02ld-%02ld", y, m, d);
  return buf;
}

constexpr long kFirstSaleDay = 19725;  // 2024-01-02

struct TCustomer {
  int CustNo = 0;
  double TaxRate = 0;
  std::string LastInvoice;
  std::vector<TValue> Row;
};

std::vector<TCustomer> MakeCustomers(TRandom& rnd, int count) {
  const auto words = ReadCsv("words.csv");
  const auto places = ReadCsv("places.csv");
  const auto first = Words(words, "first"), second = Words(words, "second"), kind = Words(words, "kind");
  const auto street = Words(words, "street"), given = Words(words, "given"), family = Words(words, "family");
  std::vector<TCustomer> out;
  for (int i = 0; i < count; ++i) {
    TCustomer c;
    c.CustNo = 1001 + i * 10 + rnd.Below(9);
    const auto& place = rnd.Pick(places);  // City,State,Zip,Country,Area,TaxRate
    c.TaxRate = std::stod(place[5]);
    const std::string area = place[4];
    const std::string phone = area + "-555-" + Digits(rnd, 4);
    c.Row = {TValue::I(c.CustNo),
             TValue::T(rnd.Pick(first) + " " + rnd.Pick(second) + " " + rnd.Pick(kind)),
             TValue::T(std::to_string(rnd.Between(1, 9899)) + " " + rnd.Pick(street)),
             rnd.OneIn(5) ? TValue::T("Suite " + std::to_string(rnd.Between(100, 420))) : TValue::Null(),
             TValue::T(place[0]),
             TValue::OptT(place[1]),
             TValue::T(place[2]),
             TValue::T(place[3]),
             TValue::T(phone),
             rnd.OneIn(3) ? TValue::Null() : TValue::T(area + "-555-" + Digits(rnd, 4)),
             TValue::R(c.TaxRate),
             TValue::T(rnd.Pick(given) + " " + rnd.Pick(family)),
             TValue::Null()};
    out.push_back(std::move(c));
  }
  return out;
}

void WriteOrders(TDemoWriter& w, TRandom& rnd, std::vector<TCustomer>& customers, int count) {
  const auto words = ReadCsv("words.csv");
  const auto places = ReadCsv("places.csv");
  const auto shipvia = Words(words, "shipvia"), terms = Words(words, "terms"), payment = Words(words, "payment");
  const auto given = Words(words, "given"), family = Words(words, "family"), street = Words(words, "street");
  // Every tenth customer (from the fourth) never orders, so reports show customers without orders.
  std::vector<std::size_t> buyers;
  for (std::size_t i = 0; i < customers.size(); ++i)
    if (i % 10 != 3) buyers.push_back(i);
  const int employees[] = {2, 4, 5, 8, 9, 11, 12, 14, 15, 20, 24, 28};
  for (int k = 0; k < count; ++k) {
    TCustomer& c = customers[rnd.Pick(buyers)];
    const long saleDay = kFirstSaleDay + static_cast<long>(k) * 730 / count + rnd.Below(2);
    const std::string sale = IsoDate(saleDay) + " 00:00:00";
    const std::string ship = IsoDate(saleDay + rnd.Between(1, 10)) + " 00:00:00";
    if (sale > c.LastInvoice) c.LastInvoice = sale;
    const double items = Cents(rnd.Between(1500, 2500000) / 100.0);
    const double freight = Cents(rnd.Below(5000) / 100.0);
    const double due = Cents(items * (1 + c.TaxRate / 100.0) + freight);
    const bool shipElsewhere = rnd.OneIn(4);
    std::vector<TValue> row = {TValue::I(1001 + k), TValue::I(c.CustNo), TValue::T(sale), TValue::T(ship),
                               TValue::I(employees[rnd.Below(12)])};
    if (shipElsewhere) {
      const auto& place = rnd.Pick(places);
      row.push_back(TValue::T(rnd.Pick(given) + " " + rnd.Pick(family)));
      row.push_back(TValue::T(std::to_string(rnd.Between(1, 999)) + " " + rnd.Pick(street)));
      row.push_back(TValue::Null());
      row.push_back(TValue::T(place[0]));
      row.push_back(TValue::OptT(place[1]));
      row.push_back(TValue::T(place[2]));
      row.push_back(TValue::T(place[3]));
      row.push_back(TValue::T(place[4] + "-555-" + Digits(rnd, 4)));
    } else {
      for (int i = 0; i < 8; ++i) row.push_back(TValue::Null());
    }
    row.push_back(TValue::T(rnd.Pick(shipvia)));
    row.push_back(rnd.OneIn(3) ? TValue::T("PO-" + Digits(rnd, 5)) : TValue::Null());
    row.push_back(TValue::T(rnd.Pick(terms)));
    row.push_back(TValue::T(rnd.Pick(payment)));
    row.push_back(TValue::R(items));
    row.push_back(TValue::R(c.TaxRate));
    row.push_back(TValue::R(freight));
    row.push_back(TValue::R(rnd.OneIn(8) ? 0.0 : due));  // some orders are still unpaid
    w.Insert("orders", row);
  }
}

void WriteEvents(TDemoWriter& w) {
  const auto paragraphs = ReadParagraphs();
  for (const auto& e : ReadCsv("events.csv")) {
    // EventNo,VenueNo,Event_Name,Event_Date,Event_Time,Ticket_price,Scene,Paragraphs
    const int no = std::stoi(e.at(0));
    const int count = std::stoi(e.at(7));
    std::string text;
    for (int i = 0; i < count; ++i) {
      if (i) text += "\r\n";  // memo paragraphs end with CR LF as typed in a memo editor
      text += paragraphs[static_cast<std::size_t>(no * 3 + i) % paragraphs.size()];
    }
    w.Insert("events", {TValue::I(no), TValue::I(std::stoi(e[1])), TValue::T(e[2]), TValue::T(e[3]), TValue::T(e[4]),
                        TValue::T(text), TValue::R(std::stod(e[5])),
                        TValue::B(demodata::EventSceneBMP(e[6], static_cast<unsigned>(no)))});
  }
}

void WriteAnimals(TDemoWriter& w) {
  for (const auto& a : ReadCsv("animals.csv"))  // NAME,WEIGHT,SIZE,AREA
    w.Insert("animals", {TValue::T(a.at(0)), TValue::I(std::stoi(a[1])), TValue::I(std::stoi(a[2])), TValue::T(a[3])});
}

}  // namespace

void WriteDemoData(TDemoWriter& w, const TDemoDataOptions& options) {
  if (options.Scale < 1) throw std::runtime_error("scale must be 1 or more");
  TRandom rnd(kSeed);
  auto customers = MakeCustomers(rnd, kCustomersPerScale * options.Scale);
  WriteOrders(w, rnd, customers, kOrdersPerScale * options.Scale);
  for (auto& c : customers) {
    c.Row.back() = TValue::OptT(c.LastInvoice);
    w.Insert("customer", c.Row);
  }
  WriteEvents(w);
  WriteAnimals(w);
}

void BuildDemoDatabase(const std::string& path, const TDemoDataOptions& options) {
  if (options.Scale < 1) throw std::runtime_error("scale must be 1 or more");
  const std::string partial = path + ".partial";
  std::error_code ec;
  std::filesystem::remove(partial, ec);
  try {
    TWriter w(partial);
    w.Exec(std::string(demodata::Source("schema.sql")));
    w.Exec("BEGIN");
    WriteDemoData(w, options);
    w.Exec("COMMIT");
    w.Close();
  } catch (...) {
    std::filesystem::remove(partial, ec);
    throw;
  }
  std::filesystem::rename(partial, path, ec);
  if (ec) throw std::runtime_error("Cannot write \"" + path + "\": " + ec.message());
}

}  // namespace oxqr
