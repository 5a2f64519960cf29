// Expressions in definitions: computed text, conditions, a group on a computed value,
// conditional styles of controls and bands, totals of expressions (deferred in a group's
// header) and the faults of a definition, all of them at once with their lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "OxQrExport/text/TextFilter.h"
#include "definition/PrintCondition.h"
#include "platform/Files.h"
#include "definition/ReportDefinition.h"
#include "engine/Printer.h"
#include "tests/data/TestDatabases.h"

namespace oxqr {
namespace {

// Five invoices over two months; 1 and 3 are paid in full, 5 has no payment at all.
const char* kInvoicesSql =
    "CREATE TABLE invoices (no INTEGER, customer TEXT, saledate DATE, amount CURRENCY, taxrate FLOAT, "
    "paid CURRENCY);"
    "INSERT INTO invoices VALUES (1, 'Alpha', '2024-01-05', 100.10, 8.25, 108.36),"
    "(2, 'Beta', '2024-01-20', 200.20, 8.25, 0), (3, 'Gamma', '2024-02-02', 0.10, 10, 0.11),"
    "(4, 'Delta', '2024-02-14', 0.20, 10, 0.1), (5, 'Echo', '2024-02-28', 1000, 0, NULL);";

const std::string& InvoicesDatabase() {
  static const std::string path = [] {
    const std::string p = test::TempPath("invoices.sqlite");
    test::CreateDatabase(p, kInvoicesSql);
    return p;
  }();
  return path;
}

std::string Definition(const std::string& bands) {
  return "<report dataset=\"Inv\" leftMargin=\"10\" rightMargin=\"10\">\n"
         "  <parameter name=\"Cut\" type=\"float\" default=\"150\"/>\n"
         "  <query name=\"Inv\">SELECT * FROM invoices ORDER BY no</query>\n" +
         bands + "</report>\n";
}

const std::string kTotal = "Inv.amount + round(Inv.amount * Inv.taxrate / 100, 2)";

std::unique_ptr<TReportDefinition> Load(const std::string& text) {
  TDefinitionOptions options;
  options.DatabasePath = InvoicesDatabase();
  return LoadReportDefinitionText(text, "invoices.oxr", options);
}

std::vector<const MrText*> Texts(const TQRPrinter& printer) {
  std::vector<const MrText*> out;
  for (int p = 1; p <= printer.PageCount(); ++p)
    for (const auto& r : printer.Page(p)->Records)
      if (const auto* t = std::get_if<MrText>(&r)) out.push_back(t);
  return out;
}

std::vector<std::string> Strings(const std::vector<const MrText*>& texts) {
  std::vector<std::string> out;
  for (const auto* t : texts) out.push_back(t->Text);
  return out;
}

const std::string kInvoiceBands =
    "  <band type=\"groupHeader\" name=\"ByMonth\" expression=\"month(Inv.saledate)\" footer=\"MonthEnd\" "
    "height=\"6\">\n"
    "    <label left=\"0\" top=\"0\" width=\"150\" height=\"5\"\n"
    "           text=\"{= monthname(Inv.saledate) + ' ' + text(year(Inv.saledate))}: "
    "{= count(Inv, ByMonth)} invoices, {= sum(" + kTotal + ", ByMonth):#,##0.00}\"/>\n"
    "  </band>\n"
    "  <band type=\"detail\" height=\"5\">\n"
    "    <style when=\"line % 2 = 0\" color=\"#F0F0F0\"/>\n"
    "    <label left=\"0\" top=\"0\" width=\"60\" height=\"5\" text=\"{= line}/{= groupline} {Inv.customer}\"/>\n"
    "    <label name=\"Due\" left=\"60\" top=\"0\" width=\"40\" height=\"5\" text=\"{= " + kTotal + ":0.00}\">\n"
    "      <style when=\"coalesce(Inv.paid, 0) &lt; " + kTotal + "\" fontColor=\"red\" fontStyle=\"bold\"/>\n"
    "    </label>\n"
    "    <label left=\"100\" top=\"0\" width=\"20\" height=\"5\" text=\"PAID\"\n"
    "           printWhen=\"coalesce(Inv.paid, 0) >= " + kTotal + "\"/>\n"
    "    <label left=\"120\" top=\"0\" width=\"30\" height=\"5\" text=\"big\" printWhen=\"Inv.amount > 150\"/>\n"
    "    <label left=\"150\" top=\"0\" width=\"30\" height=\"5\" text=\"over\" "
    "printWhen=\"Inv.amount >= param.Cut and not isnull(Inv.paid)\"/>\n"
    "  </band>\n"
    "  <band type=\"groupFooter\" name=\"MonthEnd\" height=\"6\">\n"
    "    <label left=\"0\" top=\"0\" width=\"150\" height=\"5\" "
    "text=\"{= runningsum(Inv.amount, ByMonth):0.00} of {= sum(Inv.amount):0.00} to {= Inv.no}\"/>\n"
    "  </band>\n"
    "  <band type=\"summary\" height=\"6\">\n"
    "    <label left=\"0\" top=\"0\" width=\"150\" height=\"5\" text=\"{= sum(" + kTotal + ")} in {= pages} page(s)\"/>\n"
    "  </band>\n";

TEST(ExpressionReport, ComputesGroupsConditionsStylesAndTotals) {
  auto def = Load(Definition(kInvoiceBands));
  TQRReport& report = def->Report();
  EXPECT_TRUE(report.NeedsPreviewRun);  // the month's count and total in its header
  report.Prepare();
  const auto texts = Texts(report.QRPrinter());
  // Amounts with tax: 108.36, 216.72, 0.11, 0.22, 1000.00.
  const std::vector<std::string> expected{
      "January 2024: 2 invoices, 325.08",
      "1/1 Alpha", "108.36", "PAID",
      "2/2 Beta", "216.72", "big", "over",
      "300.30 of 300.30 to 2",
      "February 2024: 3 invoices, 1,000.33",
      "3/1 Gamma", "0.11", "PAID",
      "4/2 Delta", "0.22",
      "5/3 Echo", "1000.00", "big",
      "1000.30 of 1300.60 to 5",
      "1325.41 in 1 page(s)"};
  EXPECT_EQ(Strings(texts), expected);
  // Unpaid amounts are red and bold; paid ones keep the label's font.
  for (const auto* t : texts) {
    if (t->Text == "216.72" || t->Text == "0.22" || t->Text == "1000.00") {
      EXPECT_EQ(t->Font.Color, clRed) << t->Text;
      EXPECT_TRUE(t->Font.Style.Has(TFontStyle::fsBold)) << t->Text;
    }
    if (t->Text == "108.36" || t->Text == "0.11") {
      EXPECT_EQ(t->Font.Color, clBlack) << t->Text;
      EXPECT_FALSE(t->Font.Style.Has(TFontStyle::fsBold)) << t->Text;
    }
  }
  // Every second detail band has the shaded background: records 2 and 4.
  int shaded = 0;
  for (const auto& r : report.QRPrinter().Page(1)->Records)
    if (const auto* f = std::get_if<MrFillRect>(&r); f && f->Brush.Color == RGBColor(0xF0, 0xF0, 0xF0)) ++shaded;
  EXPECT_EQ(shaded, 2);
  // The controls are left as they were made.
  EXPECT_EQ(report.Bands()[1]->Color, clWhite);
}

// An export run after the preview prints the deferred values the preview found: the month's
// count and total in its header, the page count.
TEST(ExpressionReport, ExportRunTakesThePreviewsDeferredValues) {
  auto def = Load(Definition(kInvoiceBands));
  def->Report().Prepare();
  const std::string path = test::TempPath("invoices.txt");
  {
    TOxQRTextFilter filter(path);
    def->Report().ExportToFilter(filter);
  }
  const std::string text = ReadFileBytes(path);
  std::remove(path.c_str());
  for (const char* expected : {"January 2024: 2 invoices, 325.08", "February 2024: 3 invoices, 1,000.33",
                               "1325.41 in 1 page(s)"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
}

// Saving writes the expressions, conditions, group expression and styles back; the saved
// definition prints the same pages.
TEST(ExpressionReport, SavedDefinitionPrintsTheSame) {
  auto first = Load(Definition(kInvoiceBands));
  const std::string saved = test::TempPath("saved-invoices.oxr");
  SaveReportDefinition(first->Report(), saved, DefinitionNames(*first));
  TDefinitionOptions options;
  options.DatabasePath = InvoicesDatabase();
  auto second = LoadReportDefinition(saved, options);
  std::remove(saved.c_str());
  first->Report().Prepare();
  second->Report().Prepare();
  const auto a = Texts(first->Report().QRPrinter()), b = Texts(second->Report().QRPrinter());
  ASSERT_EQ(Strings(a), Strings(b));
  for (std::size_t i = 0; i < a.size(); ++i) EXPECT_EQ(a[i]->Font, b[i]->Font) << a[i]->Text;
  EXPECT_EQ(first->Report().QRPrinter().Page(1)->Records.size(), second->Report().QRPrinter().Page(1)->Records.size());
}

// The field form of printWhen keeps its own meaning and class; other conditions are
// expressions.
TEST(ExpressionReport, OldConditionFormsStayFieldConditions) {
  auto def = Load(Definition(
      "  <band type=\"detail\" height=\"5\">\n"
      "    <label left=\"0\" top=\"0\" width=\"20\" height=\"5\" text=\"a\" printWhen=\"Inv.amount > 150\"/>\n"
      "    <label left=\"20\" top=\"0\" width=\"20\" height=\"5\" text=\"b\" printWhen=\"Inv.paid\"/>\n"
      "    <label left=\"40\" top=\"0\" width=\"20\" height=\"5\" text=\"c\" printWhen=\"Inv.amount >= 150\"/>\n"
      "  </band>\n"));
  const auto& controls = def->Report().Bands()[0]->Controls();
  EXPECT_NE(dynamic_cast<const TFieldCondition*>(controls[0]->PrintCondition.get()), nullptr);
  EXPECT_NE(dynamic_cast<const TFieldCondition*>(controls[1]->PrintCondition.get()), nullptr);
  EXPECT_EQ(dynamic_cast<const TFieldCondition*>(controls[2]->PrintCondition.get()), nullptr);
  def->Report().Prepare();
  // "b": paid not empty (0 is a value): every invoice but 5.
  const auto texts = Strings(Texts(def->Report().QRPrinter()));
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "a"), 2);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "b"), 4);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "c"), 2);
}

// Every fault of the definition's expressions, each at its line and column, in one error.
TEST(ExpressionReport, AllFaultsAtOnceWithTheirPlaces) {
  const std::string text = Definition(
      "  <band type=\"groupHeader\" name=\"G\" expression=\"month(Inv.saledat)\" height=\"6\"/>\n"
      "  <band type=\"detail\" height=\"5\">\n"
      "    <style when=\"line % 2\" color=\"silver\"/>\n"
      "    <label left=\"0\" top=\"0\" width=\"60\" height=\"5\" text=\"x {= Inv.amount + 'x'} {= Inv.custmer}\"/>\n"
      "    <label left=\"0\" top=\"0\" width=\"60\" height=\"5\" text=\"y\" printWhen=\"Inv.amount &lt;= param.Cutt\"/>\n"
      "  </band>\n");
  try {
    Load(text);
    FAIL() << "loaded";
  } catch (const EDefinitionError& e) {
    const auto& f = e.Faults();
    ASSERT_EQ(f.size(), 5u) << e.what();
    struct TWant {
      int Line, Column;
      const char* Message;
    };
    const TWant want[] = {
        {4, 59, "unknown field 'saledat' in dataset Inv; did you mean 'saledate'?"},
        {6, 23, "expected a boolean, but this is a number"},
        {7, 73, "cannot add a number and a text (text(x) turns a value into text to join it)"},
        {7, 87, "unknown field 'custmer' in dataset Inv; did you mean 'customer'?"},
        {8, 94, "unknown parameter 'Cutt'; did you mean 'Cut'?"},
    };
    for (std::size_t i = 0; i < 5; ++i) {
      EXPECT_EQ(f[i].Message, want[i].Message) << e.Listing();
      EXPECT_EQ(f[i].Line, want[i].Line) << f[i].Message;
      EXPECT_EQ(f[i].Column, want[i].Column) << f[i].Message;
    }
    // The listing shows each line with a caret under the column.
    const std::string listing = e.Listing();
    EXPECT_NE(listing.find("invoices.oxr:6:23: expected a boolean"), std::string::npos) << listing;
    EXPECT_NE(listing.find("\n  " + std::string(22, ' ') + "^\n"), std::string::npos) << listing;
    EXPECT_NE(listing.find("5 faults"), std::string::npos);
  }
}

}  // namespace
}  // namespace oxqr
