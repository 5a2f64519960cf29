// The text format: the character grid of each page, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <filesystem>
#include <functional>

#include "OxQrConsts/OxQrConsts.h"
#include "OxQrExport/core/Settings.h"
#include "OxQrExport/text/TextFilter.h"
#include "engine/Printer.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "support/FilterJob.h"

namespace oxqr {
namespace {

namespace fs = std::filesystem;

class TextFilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = QRExportSettings().Text;
    std::string pattern = (fs::temp_directory_path() / "oxqr-text-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    QRExportSettings().Text = saved_;
    QRExportSettings().OnErrorMessage = nullptr;
    QRExportSettings().OnMakeRepFileName = nullptr;
    QRExportSettings().OnEndJob = nullptr;
    fs::remove_all(dir_);
  }
  TOxQRTextSettings& Settings() { return QRExportSettings().Text; }
  std::string Path(const std::string& name) const { return (fs::path(dir_) / name).string(); }

  // Runs `pages` pages through the filter; `page(k)` writes the text of page k.
  void Run(TOxQRTextFilter& filter, int pages, const std::function<void(int)>& page, int width = 2100,
           int height = 2970) {
    testing::RunFilterJob(filter, printer_, pages, page, font_, width, height);
  }
  // Native position of a fractional column / row of `filter`'s grid.
  double Col(const TOxQRTextFilter& f, double c) const { return c * f.CharWidth / printer_.HorizontalFactor(); }
  double Row(const TOxQRTextFilter& f, double r) const { return r * f.LineHeight / printer_.VerticalFactor(); }

  static std::string Blank(const TOxQRTextFilter& f) { return std::string(RoundHalfEven(f.PageWidth), ' '); }
  static std::string PageEnd(const TOxQRTextFilter& f) {
    return std::string(RoundHalfEven(f.PageWidth), '-') + "\r\n\f\r\n";
  }
  static std::string Put(std::string row, std::size_t col, const std::string& text) {
    return row.replace(col - 1, text.size(), text);
  }

  TQRPrinter printer_;
  TFont font_;  // Arial 10, the report's default font
  std::string dir_;
  TOxQRTextSettings saved_;
};

TEST_F(TextFilterTest, LabelsOnOnePrintedLineShareARow) {
  TOxQRTextFilter f(Path("out.txt"));
  Run(f, 1, [&](int) {
    f.WriteText(Col(f, 20.2), Row(f, 3.1), font_, clWhite, TAlignment::taLeftJustify, "right");
    f.WriteText(Col(f, 1.2), Row(f, 2.9), font_, clWhite, TAlignment::taLeftJustify, "left");
    f.WriteText(Col(f, 1.0), Row(f, 7.3), font_, clWhite, TAlignment::taLeftJustify, "next");
  });
  const std::string b = Blank(f);
  // With one blank row between text rows the first text row is row 2.
  const std::string expected = b + "\r\n" + Put(Put(b, 1, "left"), 20, "right") + "\r\n" + b + "\r\n" +
                               Put(b, 1, "next") + "\r\n" + b + "\r\n" + PageEnd(f);
  EXPECT_EQ(ReadFileBytes(Path("out.txt")), expected);
  ASSERT_EQ(QRExportSettings().CreatedReportFiles.Count(), 1);
  EXPECT_EQ(QRExportSettings().CreatedReportFiles[0], "out.txt");
}

TEST_F(TextFilterTest, ActualSpacingFollowsThePaperAndPadsThePage) {
  Settings().LineSpacing = TTextLineSpacing::lsActual;
  Settings().PageBreaks = false;
  TOxQRTextFilter f(Path("out.txt"));
  Run(f, 1, [&](int) {
    f.WriteText(Col(f, 3), Row(f, 10.4), font_, clWhite, TAlignment::taLeftJustify, "ten");
    f.WriteText(Col(f, 1), Row(f, 0.3), font_, clWhite, TAlignment::taLeftJustify, "top");  // rounds to row 0
  });
  const std::string b = Blank(f);
  const int rows = static_cast<int>(RoundHalfEven(f.PageHeight));
  ASSERT_GT(rows, 10);
  std::string expected = Put(b, 1, "top") + "\r\n";  // a row-0 line is placed on row 1
  for (int r = 2; r <= rows; ++r) expected += (r == 10 ? Put(b, 3, "ten") : b) + "\r\n";
  expected += std::string(b.size(), '-') + "\r\n";
  EXPECT_EQ(ReadFileBytes(Path("out.txt")), expected);
}

TEST_F(TextFilterTest, AlignmentMovesTheAnchorToTheFirstColumn) {
  Settings().LineSpacing = TTextLineSpacing::lsNoBlank;
  Settings().PageEndLines = false;
  Settings().PageBreaks = false;
  TOxQRTextFilter f(Path("out.txt"));
  auto rec = [](double y, TAlignment a) {
    TOxQrTextRec r;
    r.X = 40.0;
    r.Y = y;
    r.Alignment = a;
    r.Text = "ABCDE";
    return r;
  };
  Run(f, 1, [&](int) {
    f.AddText(rec(1, TAlignment::taRightJustify));  // 40 - 5 + 1 = 36
    f.AddText(rec(2, TAlignment::taCenter));        // 40 - 2.5 + 1 = 38.5 -> 38 (half to even)
    f.AddText(rec(3, TAlignment::taLeftJustify));
  });
  const std::string b = Blank(f);
  ASSERT_GT(b.size(), 45u);
  EXPECT_EQ(ReadFileBytes(Path("out.txt")),
            Put(b, 36, "ABCDE") + "\r\n" + Put(b, 38, "ABCDE") + "\r\n" + Put(b, 40, "ABCDE") + "\r\n");
}

TEST_F(TextFilterTest, XScaleFactorDoublesTheColumns) {
  TOxQRTextFilter one(Path("one.txt"));
  Run(one, 1, [&](int) {});
  Settings().XScaleFactor = 2.0;
  TOxQRTextFilter two(Path("two.txt"));
  Run(two, 1, [&](int) { two.WriteText(Col(one, 10.2), 0, font_, clWhite, TAlignment::taLeftJustify, "x"); });
  EXPECT_DOUBLE_EQ(two.CharWidth, one.CharWidth / 2);
  EXPECT_DOUBLE_EQ(two.PageWidth, one.PageWidth * 2);
  EXPECT_NEAR(two.MapX(Col(one, 10.2)), 20.4, 1e-9);  // a position of column 10.2 at factor 1
  const std::string text = ReadFileBytes(Path("two.txt"));
  EXPECT_NE(text.find(std::string(RoundHalfEven(two.PageWidth), '-') + "\r\n"), std::string::npos);
  EXPECT_EQ(text.find("x"), Blank(two).size() + 2 + 19);  // row 2, column 20
}

TEST_F(TextFilterTest, PerPageFilesAreNamedAfterThePage) {
  Settings().SingleFile = false;
  QRExportSettings().OnMakeRepFileName = [](TOxQRExportFilter*, std::string& name, int page) {
    if (page == 2) name = "second.txt";
  };
  TOxQRTextFilter f(Path("report.txt"));
  Run(f, 3, [&](int k) {
    f.WriteText(0, Row(f, 1), font_, clWhite, TAlignment::taLeftJustify, "page " + std::to_string(k));
  });
  const auto& files = QRExportSettings().CreatedReportFiles;
  ASSERT_EQ(files.Count(), 3);
  EXPECT_EQ(files[0], "report0001.txt");
  EXPECT_EQ(files[1], "second.txt");
  EXPECT_EQ(files[2], "report0003.txt");
  EXPECT_FALSE(FileExists(Path("report.txt")));
  const std::string b = Blank(f);
  for (int k = 1; k <= 3; ++k) {
    // Column 0 lies left of the grid: the text is put in front of the row.
    EXPECT_EQ(ReadFileBytes(Path(files[k - 1])),
              b + "\r\n" + "page " + std::to_string(k) + b + "\r\n" + b + "\r\n" + PageEnd(f));
  }
}

TEST_F(TextFilterTest, PagesWithoutTextKeepTheirFrameRows) {
  TOxQRTextFilter f(Path("out.txt"));
  Run(f, 2, [&](int) {});
  const std::string page = Blank(f) + "\r\n" + PageEnd(f);
  EXPECT_EQ(ReadFileBytes(Path("out.txt")), page + page);
}

TEST_F(TextFilterTest, UnwritableFileAbortsWithTheMessage) {
  for (const bool singleFile : {true, false}) {
    SCOPED_TRACE(singleFile ? "single file" : "file per page");
    Settings().SingleFile = singleFile;
    std::vector<std::string> messages;
    QRExportSettings().OnErrorMessage = [&](TOxQRExportFilter* sender, const std::string& m) {
      EXPECT_NE(sender, nullptr);
      messages.push_back(m);
    };
    int endJobs = 0, endPages = 0;
    QRExportSettings().OnEndJob = [&](TOxQRExportFilter*) { ++endJobs; };
    QRExportSettings().OnEndPage = [&](TOxQRExportFilter*) { ++endPages; };
    TOxQRTextFilter f(Path("missing/folder/out.txt"));
    Run(f, 2, [&](int) { f.WriteText(0, 0, font_, clWhite, TAlignment::taLeftJustify, "lost"); });
    EXPECT_TRUE(f.Aborted());
    ASSERT_EQ(messages.size(), 1u);
    // The specified text, then the file and the system's reason on a line of their own.
    const std::string file = Path(singleFile ? "missing/folder/out.txt" : "missing/folder/out0001.txt");
    EXPECT_EQ(messages[0], std::string(SFileNotCreated) + "\r\n" + file + ": No such file or directory");
    EXPECT_EQ(endJobs, 1);
    EXPECT_EQ(endPages, 0);
    EXPECT_TRUE(f.PageTexts.empty());
    EXPECT_EQ(QRExportSettings().CreatedReportFiles.Count(), 0);  // no name of a file that does not exist
  }
  QRExportSettings().OnEndPage = nullptr;
}

// Control bytes of the report's text would break the file: a form feed is the page separator
// and a tab or an escape moves what follows. They become spaces, one for one.
TEST_F(TextFilterTest, ControlBytesInTheTextBecomeSpaces) {
  TOxQRTextFilter f(Path("out.txt"));
  Run(f, 3, [&](int) {
    f.WriteText(Col(f, 2), Row(f, 1), font_, clWhite, TAlignment::taLeftJustify, "Form\fFeed\tTab\x1b[1mEsc\a\r\n");
    f.WriteText(Col(f, 30), Row(f, 1), font_, clWhite, TAlignment::taLeftJustify, "next");
  });
  const std::string b = Blank(f);
  const std::string page =
      b + "\r\n" + Put(Put(b, 2, "Form Feed Tab [1mEsc   "), 30, "next") + "\r\n" + b + "\r\n" + PageEnd(f);
  const std::string text = ReadFileBytes(Path("out.txt"));
  EXPECT_EQ(text, page + page + page);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\f'), 3);  // one per page
}

// The settings' setter takes any number; one that gives no usable cell width counts as 1.
TEST_F(TextFilterTest, ScaleFactorThatIsNoSizeCountsAsOne) {
  TOxQRTextFilter one(Path("one.txt"));
  Run(one, 1, [&](int) {});
  for (const double factor : {0.0, -1.0, std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
    SCOPED_TRACE(factor);
    Settings().XScaleFactor = factor;
    TOxQRTextFilter f(Path("f.txt"));
    Run(f, 1, [&](int) {});
    EXPECT_DOUBLE_EQ(f.CharWidth, one.CharWidth);
    EXPECT_EQ(ReadFileBytes(Path("f.txt")), ReadFileBytes(Path("one.txt")));
  }
}

// The file is written beside its name and takes it only when the job is complete: a run that
// fails halfway keeps the previous report and leaves no partial file.
TEST_F(TextFilterTest, FailedRunKeepsThePreviousReport) {
  for (const bool singleFile : {true, false}) {
    SCOPED_TRACE(singleFile ? "single file" : "file per page");
    Settings().SingleFile = singleFile;
    const std::string name = singleFile ? "out.txt" : "out0002.txt";
    WriteFileBytes(Path(name), "previous report");
    {
      TOxQRTextFilter f(Path("out.txt"));
      EXPECT_THROW(Run(f, 3,
                       [&](int k) {
                         f.WriteText(0, 0, font_, clWhite, TAlignment::taLeftJustify, "text");
                         if (k == 2) throw EOxQRError("the report failed");
                       }),
                   EOxQRError);
      EXPECT_EQ(ReadFileBytes(Path(name)), "previous report");
    }  // the filter is freed, as the engine frees it after a failed run
    EXPECT_EQ(ReadFileBytes(Path(name)), "previous report");
    std::vector<std::string> entries;
    for (const auto& e : fs::directory_iterator(dir_)) entries.push_back(e.path().filename().string());
    std::sort(entries.begin(), entries.end());
    const std::vector<std::string> expected =
        singleFile ? std::vector<std::string>{"out.txt"} : std::vector<std::string>{"out0001.txt", "out0002.txt"};
    EXPECT_EQ(entries, expected);
    fs::remove(Path("out.txt"));
    fs::remove(Path("out0001.txt"));
  }
}

}  // namespace
}  // namespace oxqr
