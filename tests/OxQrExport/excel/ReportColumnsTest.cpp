// One column grid for a whole report: a control's texts land in one worksheet column on
// every page however wide the texts of each page are, and every CSV line has as many fields.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "../../engine/FakeDataSet.h"
#include "OxQrExport/csv/CsvFilter.h"
#include "OxQrExport/excel/ExcelFilter.h"
#include "OxQrExport/excel/ReportColumns.h"
#include "engine/Controls.h"
#include "engine/Report.h"
#include "excel/SheetReaders.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "support/ExportTestSupport.h"

namespace oxqr {
namespace {

// A database text that opens a text block around its lines, as the export-aware controls do:
// the grid then knows the control of each line.
class TBlockDBText final : public TQRDBText {
 public:
  void Print(int OffsetX, int OffsetY) override {
    const bool continuing = !Finished;
    auto* filter = dynamic_cast<TOxQRDocumentFilter*>(OwnerReport()->ActiveFilter());
    if (filter != nullptr) filter->BeginTextBlock(*this, OffsetX, OffsetY);
    TQRDBText::Print(OffsetX, OffsetY);
    if (filter != nullptr) filter->EndTextBlock(*this, OffsetX, OffsetY, continuing);
  }
};

// 90 people on four pages: the first page's names are short, the later ones long, and the
// amounts have from one to three digits before the point.
struct PeopleReport {
  test::FakeDataSet Data{"People", {{"Name", TFieldType::ftString}, {"Amount", TFieldType::ftCurrency}}, Rows()};
  TQRReport Report;

  static std::vector<test::FakeDataSet::Row> Rows() {
    std::vector<test::FakeDataSet::Row> rows;
    for (int i = 0; i < 90; ++i) {
      std::string name = "N" + std::to_string(i);
      if (i >= 29) name += " has a long name that makes the column of names wider";
      rows.push_back({{"Name", name}, {"Amount", std::to_string(i * 37 % 1000) + ".5"}});
    }
    return rows;
  }

  PeopleReport() {
    Report.Page.SetPaper(TQRPaperSize::A4);
    Report.Page.SetMarginsMM(10, 10, 10, 10);
    Report.DataSet = &Data;
    auto& header = Report.AddBand<TQRCustomBand>(TQRBandType::rbPageHeader);
    header.Size.Height = 60;
    AddLabel(header, "Name", 0, TAlignment::taLeftJustify);
    AddLabel(header, "Amount", 1000, TAlignment::taRightJustify);
    auto& detail = Report.AddBand<TQRCustomBand>(TQRBandType::rbDetail);
    detail.Size.Height = 100;
    // The names through a control the grid knows, the amounts through a plain one.
    auto& name = detail.Add<TBlockDBText>();
    SetUp(name, "Name", 0, TAlignment::taLeftJustify);
    auto& amount = detail.Add<TQRDBText>();
    SetUp(amount, "Amount", 1000, TAlignment::taRightJustify);
  }
  void AddLabel(TQRCustomBand& band, const std::string& caption, double left, TAlignment alignment) {
    auto& label = band.Add<TQRLabel>();
    label.Caption = caption;
    label.Alignment = alignment;
    label.AutoSize = false;
    label.Size = TQRSize{45, left, 0, 400};
  }
  void SetUp(TQRDBText& text, const std::string& field, double left, TAlignment alignment) {
    text.DataSet = &Data;
    text.DataField = field;
    text.Alignment = alignment;
    text.AutoSize = false;
    text.Size = TQRSize{45, left, 0, left == 0 ? 900.0 : 400.0};
  }
};

struct FormatCase {
  const char* Name;
  std::string (*Export)(TQRReport&, const std::string& dir);
  friend void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.Name; }
};

std::string ExportCsv(TQRReport& report, const std::string& dir) {
  TOxQRCSVFilter f(dir + "people.csv");
  report.ExportToFilter(f);
  return ReadFileBytes(dir + "people.csv");
}

std::string ExportXls(TQRReport& report, const std::string& dir) {
  TOxQRExcelFilter f(dir + "people.xls");
  report.ExportToFilter(f);
  return ReadFileBytes(dir + "people.xls");
}

class ReportColumnsTest : public testing::ExportTest, public ::testing::WithParamInterface<FormatCase> {
 protected:
  void SetUp() override {
    ExportTest::SetUp();
    SetAnsiCodePage(1252);
    SetDecimalSeparator('.');
    SetThousandSeparator(',');
  }
};

// The kind of report column a cell's text belongs to.
std::string KindOf(const std::string& text) {
  if (text == "Name" || text == "Amount") return text + " header";
  if (text.starts_with("N")) return "name";
  if (text.starts_with("$")) return "amount";
  return "other: " + text;
}

TEST_P(ReportColumnsTest, EveryControlKeepsOneColumnOnEveryPage) {
  PeopleReport r;
  const std::string bytes = GetParam().Export(r.Report, Dir());
  std::map<testing::TCellPos, std::string> cells;
  if (GetParam().Export == ExportCsv) {
    cells = testing::ParseCsv(bytes);
    // Amounts stay below 1000: no field is quoted, and commas count the fields.
    std::set<std::size_t> fieldCounts;
    for (std::size_t at = 0; at < bytes.size();) {
      const std::size_t end = bytes.find("\r\n", at);
      ASSERT_NE(end, std::string::npos);
      const std::string line = bytes.substr(at, end - at);
      fieldCounts.insert(std::count(line.begin(), line.end(), ',') + 1);
      at = end + 2;
    }
    EXPECT_EQ(fieldCounts.size(), 1u) << bytes;
  } else {
    for (const auto& c : testing::SheetCells(bytes)) cells[{c.Row, c.Column}] = c.Text;
  }
  std::map<std::string, std::set<int>> columns;
  std::map<std::string, int> counts;
  for (const auto& [at, text] : cells) {
    columns[KindOf(text)].insert(at.second);
    ++counts[KindOf(text)];
  }
  EXPECT_EQ(counts,
            (std::map<std::string, int>{{"Amount header", 4}, {"Name header", 4}, {"amount", 90}, {"name", 90}}));
  for (const auto& [kind, in] : columns) EXPECT_EQ(in.size(), 1u) << kind;
  // Headers stand above their values: both start at the left edge of their boxes.
  EXPECT_EQ(columns["Name header"], columns["name"]);
  EXPECT_EQ(columns["Amount header"], columns["amount"]);
  EXPECT_LT(*columns["name"].begin(), *columns["amount"].begin());
}

INSTANTIATE_TEST_SUITE_P(Formats, ReportColumnsTest,
                         ::testing::Values(FormatCase{"Csv", ExportCsv}, FormatCase{"Xls", ExportXls}),
                         [](const auto& info) { return std::string(info.param.Name); });

// The grid itself, with a mapping of 100 Native to a column: a control's slot starts at its
// box's left edge, pictures and disabled controls take none, a slot moves right only past the
// widths its own bands have to its left, and of two controls starting on one line of one band
// (tops less than half a row apart) that round to one position the right one gets a slot of
// its own.
TEST(ReportColumns, SlotsFromTheBoxesOfTheControlsThatPrintText) {
  TQRReport report;
  report.Page.SetMarginsMM(0, 0, 0, 0);
  auto addLabel = [](TQRCustomBand& band, double left, double width, TAlignment alignment, bool toBand,
                     double top = 0) -> TQRLabel& {
    auto& label = band.Add<TQRLabel>();
    label.Size = TQRSize{45, left, top, width};
    label.Alignment = alignment;
    label.AlignToBand = toBand;
    return label;
  };
  auto& title = report.AddBand<TQRCustomBand>(TQRBandType::rbTitle);
  auto& detail = report.AddBand<TQRCustomBand>(TQRBandType::rbDetail);
  auto& footer = report.AddBand<TQRCustomBand>(TQRBandType::rbPageFooter);
  for (TQRCustomBand* band : {&title, &detail, &footer}) band->Size.Width = 1900;
  const auto& heading = addLabel(title, 300, 1900, TAlignment::taCenter, true);  // box from 0
  const auto& name = addLabel(detail, 0, 900, TAlignment::taLeftJustify, false);
  const auto& amount = addLabel(detail, 1000, 400, TAlignment::taRightJustify, false);
  const auto& beside = addLabel(detail, 1040, 100, TAlignment::taLeftJustify, false);
  const auto& below = addLabel(detail, 1020, 100, TAlignment::taLeftJustify, false, 20);
  const auto& page = addLabel(footer, 0, 500, TAlignment::taRightJustify, true);  // box from 1400
  auto& hidden = addLabel(detail, 1700, 100, TAlignment::taLeftJustify, false);
  hidden.Enabled = false;
  const auto& shape = detail.Add<TQRShape>();
  auto& picture = detail.Add<TQRImage>();
  picture.Size = TQRSize{45, 500, 0, 100};

  TReportColumns grid;
  grid.Build(
      report, [](double x) { return x / 100; }, [](double w) { return w / 100; }, 40);
  const struct {
    const char* Name;
    const TQRPrintable* Control;
    int Column;  // -1: no slot
  } cases[] = {{"centred title", &heading, 0},
               {"name", &name, 0},
               {"amount past the name", &amount, 10},
               {"beside the amount", &beside, 15},
               {"below the amount", &below, 10},
               {"page number", &page, 16},
               {"disabled", &hidden, -1},
               {"shape", &shape, -1},
               {"picture", &picture, -1}};
  for (const auto& c : cases) {
    const int slot = grid.SlotOf(c.Control);
    EXPECT_EQ(slot < 0 ? -1 : grid.ColumnOf(slot), c.Column) << c.Name;
  }
  EXPECT_EQ(grid.ColumnCount(), 17);
  // Texts of no control go by position: to the slot starting at or before them.
  EXPECT_EQ(grid.ColumnOf(grid.SlotAt(-3)), 0);
  EXPECT_EQ(grid.ColumnOf(grid.SlotAt(5)), 0);
  EXPECT_EQ(grid.ColumnOf(grid.SlotAt(12)), 10);
  EXPECT_EQ(grid.ColumnOf(grid.SlotAt(99)), 16);
}

}  // namespace
}  // namespace oxqr
