// The worksheet filter: the grid, the cells it writes and the file around them.
#include <gtest/gtest.h>

#include <ostream>

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "OxQrConsts/OxQrConsts.h"
#include "OxQrExport/core/Settings.h"
#include "OxQrExport/excel/ExcelFilter.h"
#include "data/DataSet.h"
#include "engine/Controls.h"
#include "engine/Printer.h"
#include "excel/SheetRecords.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/SafeFile.h"
#include "platform/TextMetrics.h"
#include "support/ExportTestSupport.h"
#include "support/FilterJob.h"
#include "excel/OneFieldDataSet.h"

namespace oxqr {
namespace {

namespace fs = std::filesystem;
using testing::HexBytes;
using testing::SheetCells;
using testing::SheetRecords;
using testing::TSheetCell;

using testing::TOneFieldDataSet;

class ExcelFilterTest : public testing::ExportTest {
 protected:
  void SetUp() override {
    ExportTest::SetUp();
    decimal_ = DecimalSeparator();
    thousands_ = ThousandSeparator();
    codePage_ = AnsiCodePage();
    SetDecimalSeparator('.');
    SetThousandSeparator(',');
    SetAnsiCodePage(1252);
    QRExportSettings().OnErrorMessage = [this](TOxQRExportFilter*, const std::string& m) { errors_.push_back(m); };
  }
  void TearDown() override {
    SetDecimalSeparator(decimal_);
    SetThousandSeparator(thousands_);
    SetAnsiCodePage(codePage_);
    ExportTest::TearDown();
  }
  TOxQRExcelSettings& Settings() { return QRExportSettings().Excel; }
  std::string Out() const { return Dir() + "out.xls"; }

  // Runs `pages` pages through the filter; `page(k)` writes the text of page k.
  void Run(TOxQRExcelFilter& filter, int pages, const std::function<void(int)>& page) {
    testing::RunFilterJob(filter, printer_, pages, page, font_);
  }
  // Native position of a fractional column / row of `f`'s grid on the open page.
  double Col(const TOxQRExcelFilter& f, double c) const { return c * f.CharColumnWidth / printer_.HorizontalFactor(); }
  double Row(const TOxQRExcelFilter& f, double r) const { return r * f.CharRowHeight / printer_.VerticalFactor(); }
  // A text copy placed directly in grid units.
  static TOxQrTextRec Text(double x, double y, const std::string& text, double width = 0,
                           TAlignment align = TAlignment::taLeftJustify) {
    TOxQrTextRec r;
    r.X = x;
    r.Y = y;
    r.Width = width;
    r.Text = text;
    r.Alignment = align;
    r.Font = TOxQrFontAttrib::FromFont(TFont());
    return r;
  }
  std::vector<TSheetCell> Cells() const { return SheetCells(ReadFileBytes(Out())); }

  TQRPrinter printer_;
  TFont font_;  // Arial 10, the report's default font
  std::vector<std::string> errors_;

 private:
  char decimal_ = '.';
  char thousands_ = ',';
  int codePage_ = 1252;
};

TEST_F(ExcelFilterTest, OneLabelMakesTheWholeFile) {
  Settings().LineSpacing = TTextLineSpacing::lsNoBlank;
  TOxQRExcelFilter f(Out());
  Run(f, 1, [&](int) { f.WriteText(0, 0, font_, clWhite, TAlignment::taLeftJustify, "Total"); });
  EXPECT_EQ(HexBytes(ReadFileBytes(Out())),
            "09 08 06 00 00 00 10 00 00 00 "                // BOF
            "42 00 02 00 01 80 "                            // CODEPAGE 1252
            "00 02 0A 00 00 00 00 00 00 00 00 00 00 00 "    // DIMENSIONS
            "31 00 0A 00 C8 00 00 00 05 41 72 69 61 6C "    // FONT Arial 10
            "43 00 04 00 00 00 00 00 "                      // XF
            "04 00 0D 00 01 00 00 00 00 00 00 05 54 6F 74 61 6C "  // LABEL row 1, column 0
            "0A 00 00 00");                                 // EOF
  EXPECT_TRUE(errors_.empty());
  EXPECT_EQ(f.DisplayName(), "Microsoft Excel Worksheet");
  EXPECT_EQ(f.Extension(), "xls");
}

TEST_F(ExcelFilterTest, GridFollowsTheReportFontsLetterW) {
  TOxQRExcelFilter f(Out());
  Run(f, 1, [](int) {});
  const TSize w = TextExtent(font_, "W");
  EXPECT_DOUBLE_EQ(f.CharColumnWidth, w.cx * 8.43);
  EXPECT_DOUBLE_EQ(f.CharRowHeight, w.cy);
  EXPECT_EQ(f.RowsPerPage, RoundHalfEven(2970 * printer_.VerticalFactor() / w.cy));
  EXPECT_NEAR(f.MapX(254), 96 / (w.cx * 8.43), 1e-12);  // one inch
  double width = 0, height = 0;
  f.MapSize({100, 10}, width, height);
  EXPECT_DOUBLE_EQ(width, f.MapX(100));  // the pixel extent goes through MapX
}

TEST_F(ExcelFilterTest, FontKeysAndTheFirstFourFonts) {
  EXPECT_EQ(TOxQRExcelFilter::FontKey("Arial", 10, {}), "Arial 10");
  EXPECT_EQ(TOxQRExcelFilter::FontKey("Arial", 10, {TFontStyle::fsItalic, TFontStyle::fsBold}), "Arial 10 Bold Italic");
  EXPECT_EQ(TOxQRExcelFilter::FontKey("Courier New", 8, {TFontStyle::fsStrikeOut, TFontStyle::fsUnderline}),
            "Courier New 8 UnderLine StrikeOut");

  Settings().LineSpacing = TTextLineSpacing::lsNoBlank;
  TOxQRExcelFilter f(Out());
  Run(f, 1, [&](int) {
    const std::vector<std::pair<const char*, int>> fonts = {
        {"ARIAL", 10}, {"Arial", 12}, {"Times New Roman", 10}, {"Courier New", 10}, {"Impact", 14}};
    for (std::size_t i = 0; i < fonts.size(); ++i) {
      auto rec = Text(0, static_cast<double>(i + 1), "t" + std::to_string(i));
      rec.Font.Name = fonts[i].first;
      rec.Font.Size = fonts[i].second;
      f.AddText(rec);
    }
  });
  ASSERT_EQ(f.FontList.size(), 5u);  // "ARIAL 10" is the report's "Arial 10"
  int fontRecords = 0;
  for (const auto& r : SheetRecords(ReadFileBytes(Out()))) fontRecords += r.Id == 0x0031;
  EXPECT_EQ(fontRecords, 4);
  const auto cells = Cells();
  ASSERT_EQ(cells.size(), 5u);
  const std::uint8_t expected[] = {0x00, 0x40, 0x80, 0xC0, 0x00};  // the fifth font falls back to font 0
  for (std::size_t i = 0; i < cells.size(); ++i) EXPECT_EQ(cells[i].Attr[1], expected[i]) << cells[i].Text;
}

TEST_F(ExcelFilterTest, ColumnsFollowTheWidestTextAtEachPosition) {
  Settings().LineSpacing = TTextLineSpacing::lsNoBlank;
  TOxQRExcelFilter f(Out());
  Run(f, 2, [&](int page) {
    f.AddText(Text(0.3, 1, "a", 2.2));  // position 0, width 2
    f.AddText(Text(5.1, 1, "b", 0.3));  // position 5, width 0
    f.AddText(Text(9, 1, "c", 0.1));    // position 9, width 0
    if (page == 2) f.AddText(Text(0, 2, "wide", 4.4));  // position 0 now 4 wide
  });
  std::vector<std::pair<std::string, int>> got;
  for (const auto& c : Cells()) got.emplace_back(c.Text, c.Column);
  const std::vector<std::pair<std::string, int>> expected = {{"a", 0}, {"b", 3}, {"c", 4},
                                                             {"a", 0}, {"b", 5}, {"c", 6}, {"wide", 0}};
  EXPECT_EQ(got, expected);
}

TEST_F(ExcelFilterTest, TextsOnOneCellArePushedRight) {
  Settings().LineSpacing = TTextLineSpacing::lsNoBlank;
  TOxQRExcelFilter f(Out());
  Run(f, 1, [&](int) {
    f.AddText(Text(2.1, 1.2, "first"));
    f.AddText(Text(1.9, 0.8, "second"));  // same rounded row and column
    f.AddText(Text(2.0, 1.0, "third"));
  });
  std::vector<std::pair<std::string, int>> got;
  for (const auto& c : Cells()) got.emplace_back(c.Text, c.Column);
  // Sorted by Y then X: second (0.8), third (1.0), first (1.2); all on row 1, column 0.
  const std::vector<std::pair<std::string, int>> expected = {{"second", 0}, {"third", 1}, {"first", 2}};
  EXPECT_EQ(got, expected);
}

TEST_F(ExcelFilterTest, AlignmentByteOnlyAwayFromColumnZero) {
  Settings().LineSpacing = TTextLineSpacing::lsNoBlank;
  auto run = [&](bool attributes) {
    Settings().SetCellAttributes = attributes;
    TOxQRExcelFilter f(Out());
    Run(f, 1, [&](int) {
      f.AddText(Text(0, 1, "r0", 0, TAlignment::taRightJustify));
      f.AddText(Text(10, 1, "r", 0, TAlignment::taRightJustify));
      f.AddText(Text(20, 1, "c", 0, TAlignment::taCenter));
      f.AddText(Text(30, 1, "l"));
    });
    std::vector<int> align;
    for (const auto& c : Cells()) align.push_back(c.Attr[2]);
    return align;
  };
  EXPECT_EQ(run(true), (std::vector<int>{0, 3, 2, 0}));
  EXPECT_EQ(run(false), (std::vector<int>{0, 0, 0, 0}));
}

TEST_F(ExcelFilterTest, EmptyTextAdvancesTheRowButWritesNoCell) {
  Settings().LineSpacing = TTextLineSpacing::lsOneBlank;
  TOxQRExcelFilter f(Out());
  Run(f, 1, [&](int) {
    f.AddText(Text(0, 1, "one"));
    f.AddText(Text(0, 2, ""));
    f.AddText(Text(0, 3, "three"));
  });
  const auto cells = Cells();
  ASSERT_EQ(cells.size(), 2u);
  EXPECT_EQ(cells[0].Row, 2);
  EXPECT_EQ(cells[1].Row, 6);
}

TEST_F(ExcelFilterTest, RichTextBecomesLabelsOnlyWhenExported) {
  Settings().LineSpacing = TTextLineSpacing::lsNoBlank;
  auto run = [&](bool exportRichText) {
    Settings().ExportRichText = exportRichText;
    TQRPrintable rich;
    TMemoryStream rtf(R"({\rtf1\ansi{\fonttbl{\f0 Arial;}}\pard\f0\fs20 First line\par 42\par})");
    const TBitmap picture(300, 60);
    TOxQRExcelFilter f(Out());
    Run(f, 1, [&](int) { f.WriteRichText(rich, picture, rtf, 100, 100, false); });
    std::vector<std::string> texts;
    for (const auto& c : Cells()) texts.push_back(c.IsNumber() ? "number" : c.Text);
    return texts;
  };
  // Lines of the rich text control stay text: its text blocks are no database field.
  EXPECT_EQ(run(true), (std::vector<std::string>{"First line", "42"}));
  EXPECT_EQ(run(false), std::vector<std::string>());
}

struct SpacingCase {
  const char* Name;
  TTextLineSpacing Spacing;
  std::vector<int> Rows;  // rows of: page 1 lines at 2 (two texts) and 4, page 2 line at 1
  friend void PrintTo(const SpacingCase& c, std::ostream* os) { *os << c.Name; }
};

class ExcelLineSpacing : public ExcelFilterTest, public ::testing::WithParamInterface<SpacingCase> {};

TEST_P(ExcelLineSpacing, RowsOfLinesAndPages) {
  Settings().LineSpacing = GetParam().Spacing;
  TOxQRExcelFilter f(Out());
  Run(f, 2, [&](int page) {
    if (page == 1) {
      f.WriteText(Col(f, 0), Row(f, 2), font_, clWhite, TAlignment::taLeftJustify, "a");
      f.WriteText(Col(f, 5), Row(f, 2), font_, clWhite, TAlignment::taLeftJustify, "b");
      f.WriteText(Col(f, 0), Row(f, 4), font_, clWhite, TAlignment::taLeftJustify, "c");
    } else {
      f.WriteText(Col(f, 0), Row(f, 1), font_, clWhite, TAlignment::taLeftJustify, "d");
    }
  });
  std::vector<int> rows;
  for (const auto& c : Cells()) rows.push_back(c.Row);
  std::vector<int> expected = GetParam().Rows;
  if (GetParam().Spacing == TTextLineSpacing::lsActual) expected.back() += f.RowsPerPage;
  EXPECT_EQ(rows, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Spacings, ExcelLineSpacing,
    ::testing::Values(SpacingCase{"Actual", TTextLineSpacing::lsActual, {2, 2, 4, 1}},
                      SpacingCase{"NoBlank", TTextLineSpacing::lsNoBlank, {1, 1, 2, 3}},
                      SpacingCase{"OneBlank", TTextLineSpacing::lsOneBlank, {2, 2, 4, 6}},
                      SpacingCase{"TwoBlank", TTextLineSpacing::lsTwoBlank, {3, 3, 6, 9}},
                      SpacingCase{"ThreeBlank", TTextLineSpacing::lsThreeBlank, {4, 4, 8, 12}},
                      SpacingCase{"FourBlank", TTextLineSpacing::lsFourBlank, {5, 5, 10, 15}},
                      SpacingCase{"FiveBlank", TTextLineSpacing::lsFiveBlank, {6, 6, 12, 18}}),
    [](const auto& info) { return std::string(info.param.Name); });

enum class Source { Plain, Label, DBText };

struct CellTypeCase {
  const char* Name;
  std::string Text;
  Source From;
  TFieldType Type;
  int Tag;
  std::uint16_t Record;  // 0x0004 LABEL, 0x0002 INTEGER, 0x0003 NUMBER
  double Value;          // of a numeric record
  friend void PrintTo(const CellTypeCase& c, std::ostream* os) { *os << c.Name; }
};

class ExcelCellTypes : public ExcelFilterTest, public ::testing::WithParamInterface<CellTypeCase> {};

TEST_P(ExcelCellTypes, RecordOfAText) {
  const auto& c = GetParam();
  Settings().LineSpacing = TTextLineSpacing::lsNoBlank;
  TOneFieldDataSet data;
  data.Field.FieldName = "F";
  data.Field.DataType = c.Type;
  TQRLabel label;
  TQRDBText dbtext;
  dbtext.DataSet = &data;
  dbtext.DataField = "F";
  TQRPrintable* control = c.From == Source::Label ? static_cast<TQRPrintable*>(&label) : &dbtext;
  control->Tag = c.Tag;
  TOxQRExcelFilter f(Out());
  Run(f, 1, [&](int) {
    if (c.From != Source::Plain) f.BeginTextBlock(*control, 0, 0);
    f.WriteText(0, 0, font_, clWhite, TAlignment::taLeftJustify, c.Text);
    if (c.From != Source::Plain) f.EndTextBlock(*control, 0, 0, false);
  });
  const auto cells = Cells();
  ASSERT_EQ(cells.size(), 1u);
  EXPECT_EQ(cells[0].Id, c.Record);
  if (c.Record == 0x0004) {
    EXPECT_EQ(cells[0].Text, c.Text);
  } else {
    EXPECT_DOUBLE_EQ(cells[0].Value, c.Value);
  }
}

constexpr auto ftStr = TFieldType::ftString;
INSTANTIATE_TEST_SUITE_P(
    Texts, ExcelCellTypes,
    ::testing::Values(
        CellTypeCase{"ThousandsInteger", "1,234", Source::Plain, ftStr, 0, 0x0002, 1234},
        CellTypeCase{"ThousandsDecimal", "1,234.50", Source::Plain, ftStr, 0, 0x0003, 1234.5},
        CellTypeCase{"WholeDecimal", "2.0", Source::Plain, ftStr, 0, 0x0003, 2},
        CellTypeCase{"LargeInteger", "123456", Source::Plain, ftStr, 0, 0x0003, 123456},
        CellTypeCase{"NegativeInteger", "-7", Source::Plain, ftStr, 0, 0x0003, -7},
        CellTypeCase{"SmallInteger", "42", Source::Plain, ftStr, 0, 0x0002, 42},
        CellTypeCase{"Beyond32Bit", "3000000000", Source::Plain, ftStr, 0, 0x0004, 0},
        CellTypeCase{"TrailingLetters", "12abc", Source::Plain, ftStr, 0, 0x0004, 0},
        CellTypeCase{"NotANumber", "nan", Source::Plain, ftStr, 0, 0x0004, 0},
        CellTypeCase{"Hexadecimal", "0x1A", Source::Plain, ftStr, 0, 0x0004, 0},
        CellTypeCase{"Date", "12/24/2026", Source::Plain, ftStr, 0, 0x0004, 0},
        CellTypeCase{"LabelStaysText", "42", Source::Label, ftStr, 0, 0x0004, 0},
        CellTypeCase{"LabelTagInteger", "42", Source::Label, ftStr, -1000, 0x0002, 42},
        CellTypeCase{"LabelTagNumber", "42", Source::Label, ftStr, -2000, 0x0003, 42},
        CellTypeCase{"LabelTagIntegerWithDecimals", "12.5", Source::Label, ftStr, -1000, 0x0003, 12.5},
        CellTypeCase{"SmallintField", "42", Source::DBText, TFieldType::ftSmallint, 0, 0x0002, 42},
        CellTypeCase{"IntegerField", "42", Source::DBText, TFieldType::ftInteger, 0, 0x0002, 42},
        CellTypeCase{"WordField", "42", Source::DBText, TFieldType::ftWord, 0, 0x0002, 42},
        CellTypeCase{"FloatField", "2.5", Source::DBText, TFieldType::ftFloat, 0, 0x0003, 2.5},
        CellTypeCase{"AutoIncField", "7", Source::DBText, TFieldType::ftAutoInc, 0, 0x0003, 7},
        CellTypeCase{"LargeintField", "7", Source::DBText, TFieldType::ftLargeint, 0, 0x0003, 7},
        CellTypeCase{"CurrencyField", "1234.50", Source::DBText, TFieldType::ftCurrency, 0, 0x0004, 0},
        CellTypeCase{"CurrencyFieldTagNumber", "1234.50", Source::DBText, TFieldType::ftCurrency, -2000, 0x0003,
                     1234.5},
        CellTypeCase{"IntegerFieldTagNumber", "42", Source::DBText, TFieldType::ftInteger, -2000, 0x0003, 42},
        CellTypeCase{"StringField", "42", Source::DBText, ftStr, 0, 0x0004, 0},
        CellTypeCase{"IntegerFieldText", "n/a", Source::DBText, TFieldType::ftInteger, 0, 0x0004, 0}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(ExcelFilterTest, CommaDecimalLocale) {
  SetDecimalSeparator(',');
  SetThousandSeparator('.');
  Settings().LineSpacing = TTextLineSpacing::lsNoBlank;
  TOxQRExcelFilter f(Out());
  Run(f, 1, [&](int) {
    f.AddText(Text(0, 1, "1.234,5"));
    f.AddText(Text(0, 2, "1.234"));
    f.AddText(Text(0, 3, "1,2,3"));  // two decimal separators
  });
  const auto cells = Cells();
  ASSERT_EQ(cells.size(), 3u);
  EXPECT_EQ(cells[0].Id, 0x0003);
  EXPECT_DOUBLE_EQ(cells[0].Value, 1234.5);
  EXPECT_EQ(cells[1].Id, 0x0002);
  EXPECT_DOUBLE_EQ(cells[1].Value, 1234);
  EXPECT_EQ(cells[2].Id, 0x0004);
}

TEST_F(ExcelFilterTest, CodePageRecordFollowsTheReportCodePage) {
  SetAnsiCodePage(1250);
  TOxQRExcelFilter f(Out());
  Run(f, 1, [&](int) { f.AddText(Text(0, 1, "\xF8\x9A\x9E")); });
  const auto records = SheetRecords(ReadFileBytes(Out()));
  ASSERT_GE(records.size(), 2u);
  EXPECT_EQ(records[1].Id, 0x0042);
  EXPECT_EQ(HexBytes(records[1].Body), "E2 04");
  EXPECT_EQ(Cells().at(0).Text, "\xF8\x9A\x9E");
}

TEST_F(ExcelFilterTest, FileThatCannotBeCreatedAbortsAndWritesNothing) {
  fs::create_directory(Out());  // a folder where the file should go is never replaced
  TOxQRExcelFilter f(Out());
  Run(f, 1, [&](int) { f.WriteText(0, 0, font_, clWhite, TAlignment::taLeftJustify, "x"); });
  EXPECT_TRUE(f.Aborted());
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0].rfind(std::string(SFileNotCreated), 0), 0u) << errors_[0];
  EXPECT_TRUE(fs::is_directory(Out()));
  EXPECT_EQ(std::distance(fs::directory_iterator(Dir()), fs::directory_iterator()), 1);

  TOxQRExcelFilter missing(Dir() + "no/such/folder/out.xls");
  Run(missing, 1, [](int) {});
  EXPECT_TRUE(missing.Aborted());
  EXPECT_FALSE(fs::exists(Dir() + "no"));
}

TEST_F(ExcelFilterTest, PreviousFileIsReplacedWhole) {
  WriteFileSafely(Out(), std::string(5000, 'z'));
  Settings().LineSpacing = TTextLineSpacing::lsNoBlank;
  TOxQRExcelFilter f(Out());
  Run(f, 1, [&](int) { f.AddText(Text(0, 1, "new")); });
  const std::string bytes = ReadFileBytes(Out());
  EXPECT_EQ(bytes.substr(0, 2), "\x09\x08");
  EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string("\x0A\x00\x00\x00", 4));
  EXPECT_EQ(std::distance(fs::directory_iterator(Dir()), fs::directory_iterator()), 1);  // no temporary left
}

TEST_F(ExcelFilterTest, CellsPastTheLastRowOrColumnAreLeftOutAndReportedOnce) {
  Settings().LineSpacing = TTextLineSpacing::lsNoBlank;
  TOxQRExcelFilter f(Out());
  Run(f, 2, [&](int page) {
    if (page == 1) {
      for (int i = 1; i <= 16000; ++i) f.AddText(Text(0, i, "r" + std::to_string(i)));
      f.AddText(Text(0, 16001, "wide", 300));  // makes the next position column 301
      f.AddText(Text(1, 16001, "far"));
    } else {
      for (int i = 1; i <= 390; ++i) f.AddText(Text(0, i, std::to_string(i)));  // rows 16002 .. 16391
    }
  });
  // Rows 16384 .. 16391 (8 cells) and column 301 (1 cell) lie outside the sheet.
  EXPECT_EQ(f.CellsLeftOut, 9);
  EXPECT_EQ(errors_, std::vector<std::string>{ExcelCellsLeftOut(9)});
  const std::string bytes = ReadFileBytes(Out());
  const auto records = SheetRecords(bytes);
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.back().Id, 0x000A);
  const auto cells = SheetCells(bytes);
  EXPECT_EQ(cells.size(), 16000u + 1 + 382);
  int maxRow = 0;
  for (const auto& c : cells) {
    maxRow = std::max(maxRow, c.Row);
    EXPECT_LE(c.Column, 255);
  }
  EXPECT_EQ(maxRow, 16383);
  EXPECT_EQ(ExcelCellsLeftOut(9), "9 cells lay beyond row 16384 or column 256 of the worksheet and were left out.");
}

TEST_F(ExcelFilterTest, TextsLongerThanALabelAreCutAndCountedInTheMessage) {
  Settings().LineSpacing = TTextLineSpacing::lsNoBlank;
  TOxQRExcelFilter f(Out());
  const std::string longest(255, 'a');
  Run(f, 1, [&](int) {
    f.AddText(Text(0, 1, longest));                   // fits exactly
    f.AddText(Text(0, 2, std::string(256, 'b')));     // one too many
    f.AddText(Text(0, 3, std::string(5000, 'c')));
  });
  const auto cells = Cells();
  ASSERT_EQ(cells.size(), 3u);
  EXPECT_EQ(cells[0].Text, longest);
  EXPECT_EQ(cells[1].Text, std::string(255, 'b'));
  EXPECT_EQ(cells[2].Text, std::string(255, 'c'));
  EXPECT_EQ(errors_, std::vector<std::string>{"2 texts were longer than 255 characters and were cut."});
  EXPECT_EQ(ExcelCellsLeftOut(3, 1),
            "3 cells lay beyond row 16384 or column 256 of the worksheet and were left out; 1 text was longer than "
            "255 characters and was cut.");
}

TEST_F(ExcelFilterTest, NativeNumbersWriteFieldValuesWithTheirFormat) {
  Settings().LineSpacing = TTextLineSpacing::lsNoBlank;
  TOneFieldDataSet amount;
  amount.Field.FieldName = "Amount";
  amount.Field.DataType = TFieldType::ftCurrency;
  amount.Field.Value = 1234.5;
  amount.Field.Display = "$1,234.50";
  TOneFieldDataSet day;
  day.Field.FieldName = "Day";
  day.Field.DataType = TFieldType::ftDate;
  day.Field.Value = 46000;
  day.Field.Display = "12/9/2025";
  TQRDBText amountText, dayText;
  amountText.DataSet = &amount;
  amountText.DataField = "Amount";
  dayText.DataSet = &day;
  dayText.DataField = "Day";
  auto run = [&] {
    TOxQRExcelFilter f(Out());
    Run(f, 1, [&](int) {
      for (auto* c : {&amountText, &dayText}) {
        f.BeginTextBlock(*c, 0, 0);
        f.WriteText(0, c == &amountText ? 0 : Row(f, 1), font_, clWhite, TAlignment::taLeftJustify,
                    c->DataSet->FindField(c->DataField)->DisplayText());
        f.EndTextBlock(*c, 0, 0, false);
      }
    });
    return ReadFileBytes(Out());
  };

  // Off (the default): the amount and the date are the texts the report shows.
  const std::string plain = run();
  EXPECT_EQ(SheetRecords(plain).front().Id, 0x0809);
  auto cells = SheetCells(plain);
  ASSERT_EQ(cells.size(), 2u);
  EXPECT_EQ(cells[0].Text, "$1,234.50");
  EXPECT_EQ(cells[1].Text, "12/9/2025");

  Settings().NativeNumbers = true;
  const std::string bytes = run();
  // The older BOF, under which every reader applies the formats.
  EXPECT_EQ(HexBytes(bytes.substr(0, 8)), "09 00 04 00 02 00 10 00");
  std::vector<std::string> formats, xfs;
  for (const auto& r : SheetRecords(bytes)) {
    if (r.Id == 0x001E) formats.push_back(r.Body.substr(1));
    if (r.Id == 0x0043) xfs.push_back(HexBytes(r.Body));
  }
  EXPECT_EQ(formats, (std::vector<std::string>{"General", "$#,##0.00", "m/d/yyyy"}));
  EXPECT_EQ(xfs, (std::vector<std::string>{"00 00 00 00", "00 00 01 00", "00 00 02 00"}));
  cells = SheetCells(bytes);
  ASSERT_EQ(cells.size(), 2u);
  EXPECT_EQ(cells[0].Id, 0x0003);
  EXPECT_DOUBLE_EQ(cells[0].Value, 1234.5);
  EXPECT_EQ(HexBytes(std::string(cells[0].Attr.begin(), cells[0].Attr.end())), "01 01 00");
  EXPECT_EQ(cells[1].Id, 0x0002);
  EXPECT_DOUBLE_EQ(cells[1].Value, 46000);
  EXPECT_EQ(HexBytes(std::string(cells[1].Attr.begin(), cells[1].Attr.end())), "02 02 00");
}

TEST_F(ExcelFilterTest, NativeNumbersKeepPiecesOfAWrappedValueAsText) {
  Settings().NativeNumbers = true;
  Settings().LineSpacing = TTextLineSpacing::lsNoBlank;
  TOneFieldDataSet data;
  data.Field.FieldName = "F";
  data.Field.DataType = TFieldType::ftFloat;
  data.Field.Value = 1.5;
  data.Field.Display = "1.5 kg";
  TQRDBText text;
  text.DataSet = &data;
  text.DataField = "F";
  TOxQRExcelFilter f(Out());
  Run(f, 1, [&](int) {
    f.BeginTextBlock(text, 0, 0);
    f.WriteText(0, 0, font_, clWhite, TAlignment::taLeftJustify, "1.5");  // not the whole display text
    f.EndTextBlock(text, 0, 0, false);
  });
  const auto cells = Cells();
  ASSERT_EQ(cells.size(), 1u);
  EXPECT_EQ(cells[0].Id, 0x0003);  // the ordinary float-field rule
  for (const auto& r : SheetRecords(ReadFileBytes(Out()))) EXPECT_NE(r.Id, 0x001E);
}

TEST_F(ExcelFilterTest, TakenCellsOfEarlierRowsAndFullRows) {
  Settings().LineSpacing = TTextLineSpacing::lsActual;
  TOxQRExcelFilter f(Out());
  Run(f, 2, [&](int page) {
    if (page == 1) {
      f.AddText(Text(0, 5, "a"));
      for (int i = 0; i < 300; ++i) f.AddText(Text(0, 7, "x"));  // one cell: pushed to 0 .. 255, then left out
    } else {
      f.AddText(Text(0, 5, "b"));  // a row of the earlier page: its taken cell pushes this one right
      f.AddText(Text(70, 7, "y"));  // past every column of the full row
    }
  });
  std::vector<std::pair<int, int>> row5;
  int row7 = 0;
  for (const auto& c : Cells()) {
    if (c.Row == 5) row5.emplace_back(c.Column, c.Text[0]);
    if (c.Row == 7) {
      EXPECT_EQ(c.Column, row7++);
    }
  }
  EXPECT_EQ(row5, (std::vector<std::pair<int, int>>{{0, 'a'}, {1, 'b'}}));
  EXPECT_EQ(row7, 256);
  EXPECT_EQ(f.CellsLeftOut, 300 - 256 + 1);
}

// Pages of labels and numbers in several fonts, as a workbook large enough to spill.
void WriteSpillPages(TOxQRExcelFilter& f, int page) {
  for (int line = 1; line <= 40; ++line) {
    TOxQrTextRec r;
    r.Y = line;
    r.Font = TOxQrFontAttrib::FromFont(TFont());
    r.Font.Size = 8 + line % 3;
    r.Text = "page " + std::to_string(page) + " line " + std::to_string(line);
    f.AddText(r);
    r.X = 20;
    r.Text = std::to_string(page * 1000 + line) + (line % 2 != 0 ? ".5" : "");
    f.AddText(r);
  }
}

TEST_F(ExcelFilterTest, CellsBeyondTheMemoryBudgetSpillAndGiveTheSameBytes) {
  Settings().LineSpacing = TTextLineSpacing::lsNoBlank;
  TOxQRExcelFilter whole(Out());
  Run(whole, 6, [&](int page) { WriteSpillPages(whole, page); });
  const std::string inMemory = ReadFileBytes(Out());
  ASSERT_GT(inMemory.size(), 6000u);
  for (const std::size_t budget : {std::size_t{0}, std::size_t{1500}, inMemory.size() / 2}) {
    SCOPED_TRACE(budget);
    fs::remove(Out());
    TOxQRExcelFilter f(Out());
    f.CellMemoryBudget = budget;
    Run(f, 6, [&](int page) {
      WriteSpillPages(f, page);
      if (page == 6) {
        EXPECT_LE(f.CellStream.Size(), static_cast<std::int64_t>(budget));
      }
    });
    EXPECT_EQ(ReadFileBytes(Out()), inMemory);
    EXPECT_TRUE(errors_.empty());
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(Dir()), fs::directory_iterator()), 1);
}

// A spill stream that fails the way a full or broken disk does: a write that throws, or
// writes that seem to succeed but whose bytes are not there to read back.
class TBrokenSpill final : public TStream {
 public:
  explicit TBrokenSpill(bool throws) : throws_(throws) {}
  void Write(const void*, std::size_t count) override {
    if (throws_) throw EFileError("spill", "write", 28);
    size_ += static_cast<std::int64_t>(count);
  }
  using TStream::Write;
  std::size_t Read(void*, std::size_t) override { return 0; }
  std::int64_t Position() const override { return 0; }
  void SetPosition(std::int64_t) override {}
  std::int64_t Size() const override { return size_; }

 private:
  bool throws_;
  std::int64_t size_ = 0;
};

class TBrokenSpillFilter final : public TOxQRExcelFilter {
 public:
  TBrokenSpillFilter(const std::string& name, bool throws) : TOxQRExcelFilter(name), throws_(throws) {}

 protected:
  std::unique_ptr<TStream> CreateSpillStream() override { return std::make_unique<TBrokenSpill>(throws_); }

 private:
  bool throws_;
};

TEST_F(ExcelFilterTest, SpillThatFailsStopsTheExportAndWritesNoFile) {
  Settings().LineSpacing = TTextLineSpacing::lsNoBlank;
  for (const bool throws : {true, false}) {
    SCOPED_TRACE(throws ? "write throws" : "bytes lost");
    {
      TBrokenSpillFilter f(Out(), throws);
      f.CellMemoryBudget = 0;
      EXPECT_ANY_THROW(Run(f, 3, [&](int page) { WriteSpillPages(f, page); }));
      EXPECT_FALSE(fs::exists(Out()));
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(Dir()), fs::directory_iterator()), 0);  // no temporary left
  }
}

}  // namespace
}  // namespace oxqr
