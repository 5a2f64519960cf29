#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "FakeDataSet.h"
#include "RecordingFilter.h"
#include "ReportFixture.h"
#include "engine/Printer.h"
#include "platform/Metafile.h"

namespace oxqr {
namespace {

using Strings = std::vector<std::string>;

Strings PreviewTexts(const TQRPrinter& printer, int page) {
  Strings out;
  for (const auto& r : printer.Page(page)->Records)
    if (const auto* t = std::get_if<MrText>(&r)) out.push_back(t->Text);
  return out;
}

TEST(ExportRun, OnePageReportCallsTheFilterInTheEnginesOrder) {
  TQRReport report;
  test::NoMargins(report);
  report.SetUnits(TQRUnit::MM);
  test::AddLabel(test::AddBand(report, TQRBandType::rbDetail, 100), "only");
  report.Prepare();
  const TQRPrinter* preview = &report.QRPrinter();

  test::RecordingFilter filter("x.rec");
  bool checkedDuringRun = false;
  filter.OnOpenPage = [&] {
    EXPECT_TRUE(report.Exporting());
    EXPECT_EQ(report.ActiveFilter(), &filter);
    EXPECT_FALSE(report.FinalPass());
    EXPECT_EQ(report.Units(), TQRUnit::Native);
    EXPECT_NE(&report.QRPrinter(), preview);  // the run prints on a printer of its own
    checkedDuringRun = true;
  };
  report.ExportToFilter(filter);
  EXPECT_TRUE(checkedDuringRun);
  EXPECT_EQ(filter.Calls, (Strings{"StartJob", "ClosePage", "OpenPage", "T:only", "ClosePage", "FinishJob"}));
  EXPECT_EQ(filter.StartWidth, 2100);
  EXPECT_EQ(filter.StartHeight, 2970);
  EXPECT_EQ(filter.SourcePrinter, preview);
  EXPECT_EQ(filter.Report, &report);
  EXPECT_FALSE(filter.Active);
  EXPECT_EQ(&report.QRPrinter(), preview);
  EXPECT_EQ(report.Units(), TQRUnit::MM);
  EXPECT_FALSE(report.Exporting());
  EXPECT_TRUE(report.FinalPass());
}

// Title 100, page header 100, page footer 100 and twelve detail records of 500 each:
// five records fit a page, so the report has three pages (5, 5, 2).
std::vector<test::FakeDataSet::Row> TwelveRows() {
  std::vector<test::FakeDataSet::Row> rows;
  for (int i = 1; i <= 12; ++i) rows.push_back({{"N", "R" + std::to_string(i)}});
  return rows;
}

struct ThreePageReport {
  test::FakeDataSet Data{"numbers", {"N"}, TwelveRows()};
  TQRReport Report;
  explicit ThreePageReport(bool firstPageHeader = true, bool lastPageFooter = true) {
    test::NoMargins(Report);
    Report.Options.FirstPageHeader = firstPageHeader;
    Report.Options.LastPageFooter = lastPageFooter;
    Report.DataSet = &Data;
    test::AddLabel(test::AddBand(Report, TQRBandType::rbTitle, 100), "TITLE");
    test::AddLabel(test::AddBand(Report, TQRBandType::rbPageHeader, 100), "HEADER");
    test::AddLabel(test::AddBand(Report, TQRBandType::rbPageFooter, 100), "FOOTER");
    auto& text = test::AddBand(Report, TQRBandType::rbDetail, 500).Add<TQRDBText>();
    text.DataSet = &Data;
    text.DataField = "N";
    text.Size = TQRSize{45, 0, 0, 500};
  }
};

TEST(ExportRun, ThreePageReportOpensAndClosesEachPageAndMatchesThePreview) {
  ThreePageReport r;
  r.Report.Prepare();
  ASSERT_EQ(r.Report.QRPrinter().PageCount(), 3);
  test::RecordingFilter filter("x.rec");
  r.Report.ExportToFilter(filter);
  EXPECT_EQ(filter.Skeleton(), (Strings{"StartJob", "ClosePage", "OpenPage", "ClosePage", "OpenPage", "ClosePage",
                                        "OpenPage", "ClosePage", "FinishJob"}));
  EXPECT_EQ(filter.TextsOfPage(1), (Strings{"HEADER", "TITLE", "R1", "R2", "R3", "R4", "R5", "FOOTER"}));
  EXPECT_EQ(filter.TextsOfPage(2), (Strings{"HEADER", "R6", "R7", "R8", "R9", "R10", "FOOTER"}));
  EXPECT_EQ(filter.TextsOfPage(3), (Strings{"HEADER", "R11", "R12", "FOOTER"}));
  for (int page = 1; page <= 3; ++page)
    EXPECT_EQ(PreviewTexts(*filter.SourcePrinter, page), filter.TextsOfPage(page)) << "page " << page;
}

// A filter that reads no preview pages gets the same calls from the export run alone when the
// report was never prepared; the report is left unprepared and knows how many pages it wrote.
TEST(ExportRun, FilterWithoutPreviewPagesIsDrivenByOneRun) {
  class NoPreviewFilter : public test::RecordingFilter {
   public:
    using RecordingFilter::RecordingFilter;
    bool ReadsPreviewPages() const override { return false; }
  };
  ThreePageReport twoRuns;
  twoRuns.Report.Prepare();
  test::RecordingFilter expected("x.rec");
  twoRuns.Report.ExportToFilter(expected);

  ThreePageReport oneRun;
  int runs = 0;
  oneRun.Report.OnProgress = [&runs](int page) { runs += page == 1 ? 1 : 0; };
  NoPreviewFilter filter("y.rec");
  oneRun.Report.ExportToFilter(filter);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(filter.Calls, expected.Calls);
  EXPECT_EQ(oneRun.Report.ExportedPageCount(), 3);
  EXPECT_EQ(oneRun.Report.QRPrinter().PageCount(), 0);  // nothing to preview: no run drew pages

  // A filter that reads the preview still gets a prepared report.
  test::RecordingFilter reader("z.rec");
  oneRun.Report.ExportToFilter(reader);
  EXPECT_EQ(runs, 3);
  EXPECT_EQ(reader.Calls, expected.Calls);
  EXPECT_EQ(oneRun.Report.QRPrinter().PageCount(), 3);
}

// A report that prints values only a whole run knows (NeedsPreviewRun) is prepared before
// the export run for every filter, also one that reads no preview pages: the export run
// takes those values from the preview.
TEST(ExportRun, ReportNeedingThePreviewRunIsPreparedForAFilterWithoutPreviewPages) {
  class NoPreviewFilter : public test::RecordingFilter {
   public:
    using RecordingFilter::RecordingFilter;
    bool ReadsPreviewPages() const override { return false; }
  };
  ThreePageReport r;
  r.Report.NeedsPreviewRun = true;
  int runs = 0;
  r.Report.OnProgress = [&runs](int page) { runs += page == 1 ? 1 : 0; };
  NoPreviewFilter filter("y.rec");
  r.Report.ExportToFilter(filter);
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(r.Report.QRPrinter().PageCount(), 3);  // the preview's pages
  EXPECT_EQ(filter.SourcePrinter, &r.Report.QRPrinter());
  EXPECT_EQ(r.Report.ExportedPageCount(), 3);
}

// The export's own run hands each page to the filter and keeps none of them (the preview's
// pages stay as they were); the pages are still counted for the filter and the caller.
TEST(ExportRun, ExportRunCountsItsPagesWithoutKeepingThem) {
  struct Seen {
    int Count = 0;
    bool EarlierPageKept = false;
  };
  class PageWatchingFilter : public test::RecordingFilter {
   public:
    PageWatchingFilter(const std::string& name, bool readsPreview, std::vector<Seen>& seen)
        : RecordingFilter(name), readsPreview_(readsPreview), seen_(seen) {}
    bool ReadsPreviewPages() const override { return readsPreview_; }
    void OpenPage() override {
      const TQRPrinter& running = Report->QRPrinter();
      seen_.push_back({running.PageCount(), running.PageCount() > 1 && running.Page(1) != nullptr});
      RecordingFilter::OpenPage();
    }

   private:
    bool readsPreview_;
    std::vector<Seen>& seen_;
  };
  for (const bool readsPreview : {true, false}) {
    ThreePageReport r;
    std::vector<Seen> seen;
    PageWatchingFilter filter("x.rec", readsPreview, seen);
    r.Report.ExportToFilter(filter);
    ASSERT_EQ(seen.size(), 3u) << readsPreview;
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(seen[i].Count, i) << readsPreview;  // a page opens before the printer starts it
      EXPECT_FALSE(seen[i].EarlierPageKept) << readsPreview;
    }
    EXPECT_EQ(r.Report.ExportedPageCount(), 3);
    // The preview (made first for a filter that reads it) keeps every page; a report laid
    // out only for the export stays unprepared and keeps pages again when it is prepared.
    EXPECT_EQ(r.Report.QRPrinter().PageCount(), readsPreview ? 3 : 0);
    r.Report.Prepare();
    EXPECT_NE(r.Report.QRPrinter().Page(1), nullptr) << readsPreview;
  }
}

TEST(ExportRun, FirstPageHeaderAndLastPageFooterOptions) {
  ThreePageReport r(false, false);
  test::RecordingFilter filter("x.rec");
  r.Report.ExportToFilter(filter);
  EXPECT_EQ(filter.TextsOfPage(1), (Strings{"TITLE", "R1", "R2", "R3", "R4", "R5", "FOOTER"}));
  EXPECT_EQ(filter.TextsOfPage(2), (Strings{"HEADER", "R6", "R7", "R8", "R9", "R10", "FOOTER"}));
  EXPECT_EQ(filter.TextsOfPage(3), (Strings{"HEADER", "R11", "R12"}));
}

TEST(ExportRun, CancelledRunSkipsClosingTheLastPageButFinishes) {
  ThreePageReport r;
  r.Report.OnProgress = [&](int page) {
    if (page == 2) r.Report.Cancel();
  };
  test::RecordingFilter filter("x.rec");
  r.Report.ExportToFilter(filter);
  EXPECT_EQ(filter.Skeleton(), (Strings{"StartJob", "ClosePage", "OpenPage", "ClosePage", "OpenPage", "FinishJob"}));
}

TEST(ExportRun, EmptyDataPrintsOnlyWhenPrintIfEmpty) {
  for (bool printIfEmpty : {false, true}) {
    test::FakeDataSet empty("empty", {"N"}, {});
    TQRReport report;
    test::NoMargins(report);
    report.DataSet = &empty;
    report.PrintIfEmpty = printIfEmpty;
    test::AddLabel(test::AddBand(report, TQRBandType::rbTitle, 100), "TITLE");
    test::AddBand(report, TQRBandType::rbDetail, 100);
    test::RecordingFilter filter("x.rec");
    report.ExportToFilter(filter);
    if (printIfEmpty)
      EXPECT_EQ(filter.Calls, (Strings{"StartJob", "ClosePage", "OpenPage", "T:TITLE", "ClosePage", "FinishJob"}));
    else
      EXPECT_EQ(filter.Calls, (Strings{"StartJob", "FinishJob"}));
  }
}

struct AnchorCase {
  TAlignment Alignment;
  bool AlignToBand;
  double X;
};

class TextAnchors : public ::testing::TestWithParam<AnchorCase> {};

// Left margin 100, band 1900 wide; the label spans 300..800 on the paper.
TEST_P(TextAnchors, WriteTextGetsTheLinesAnchor) {
  TQRReport report;
  report.Page.SetPaper(TQRPaperSize::A4);
  report.Page.SetMarginsMM(20, 10, 10, 10);
  auto& title = test::AddBand(report, TQRBandType::rbTitle, 150);
  auto& label = test::AddLabel(title, "anchored", 200, 30, 500, 45);
  label.Alignment = GetParam().Alignment;
  label.AlignToBand = GetParam().AlignToBand;
  test::RecordingFilter filter("x.rec");
  report.ExportToFilter(filter);
  ASSERT_EQ(filter.Texts.size(), 1u);
  EXPECT_DOUBLE_EQ(filter.Texts[0].X, GetParam().X);
  EXPECT_DOUBLE_EQ(filter.Texts[0].Y, 230);
  EXPECT_EQ(filter.Texts[0].Alignment, GetParam().Alignment);
}

INSTANTIATE_TEST_SUITE_P(Alignments, TextAnchors,
                         ::testing::Values(AnchorCase{TAlignment::taLeftJustify, false, 300},
                                           AnchorCase{TAlignment::taRightJustify, false, 800},
                                           AnchorCase{TAlignment::taCenter, false, 550},
                                           AnchorCase{TAlignment::taLeftJustify, true, 100},
                                           AnchorCase{TAlignment::taRightJustify, true, 2000},
                                           AnchorCase{TAlignment::taCenter, true, 1050}));

// A title of 2500 leaves 470 of the page for a 100-high band with a stretching memo of
// twenty lines, so the memo continues on page 2.
struct StretchReport {
  TQRReport Report;
  TQRMemo* Memo;
  StretchReport() {
    test::NoMargins(Report);
    test::AddBand(Report, TQRBandType::rbTitle, 2500);
    auto& memo = test::AddBand(Report, TQRBandType::rbDetail, 100).Add<TQRMemo>();
    memo.AutoStretch = true;
    memo.Size = TQRSize{45, 0, 20, 1000};
    for (int i = 1; i <= 20; ++i) memo.Lines.push_back("L" + std::to_string(i));
    Memo = &memo;
  }
};

TEST(ExportRun, StretchingMemoContinuesAfterTheNextOpenPage) {
  StretchReport r;
  test::RecordingFilter filter("x.rec");
  std::vector<bool> finishedAtOpen;
  filter.OnOpenPage = [&] { finishedAtOpen.push_back(r.Memo->Finished); };
  r.Report.ExportToFilter(filter);

  EXPECT_EQ(finishedAtOpen, (std::vector<bool>{true, false}));
  EXPECT_EQ(filter.Skeleton(),
            (Strings{"StartJob", "ClosePage", "OpenPage", "ClosePage", "OpenPage",
                     "ClosePage", "FinishJob"}));
  Strings all = filter.TextsOfPage(1);
  const Strings second = filter.TextsOfPage(2);
  EXPECT_GT(all.size(), 5u);
  EXPECT_GT(second.size(), 5u);
  all.insert(all.end(), second.begin(), second.end());
  EXPECT_EQ(all, r.Memo->Lines);
  // Lines sit one line height apart; the continuation starts at the control's top.
  const auto& t = filter.Texts;
  const double lineHeight = t[1].Y - t[0].Y;
  EXPECT_GT(lineHeight, 30);
  EXPECT_DOUBLE_EQ(t[0].Y, 2520);
  EXPECT_DOUBLE_EQ(t.back().Y - t[t.size() - 2].Y, lineHeight);
  EXPECT_DOUBLE_EQ(t[filter.TextsOfPage(1).size()].Y, 20);
  // The page-1 lines end above the page bottom.
  EXPECT_LE(t[filter.TextsOfPage(1).size() - 1].Y + lineHeight, 2970);
  EXPECT_TRUE(r.Memo->Finished);
  // The preview split the memo in the same place.
  EXPECT_EQ(PreviewTexts(*filter.SourcePrinter, 2), second);
}

class ContinuousFilter : public test::RecordingFilter {
 public:
  using RecordingFilter::RecordingFilter;
  bool IsContinuous() const override { return true; }
};

TEST(ExportRun, ContinuousFilterNeverBreaksForLackOfSpace) {
  StretchReport r;
  ContinuousFilter filter("x.rec");
  r.Report.ExportToFilter(filter);
  EXPECT_EQ(filter.Pages, 1);
  EXPECT_EQ(filter.TextsOfPage(1), r.Memo->Lines);
}

class ThrowingFilter : public test::RecordingFilter {
 public:
  using RecordingFilter::RecordingFilter;
  void OpenPage() override {
    RecordingFilter::OpenPage();
    if (Pages == 2) throw std::runtime_error("disk full");
  }
};

TEST(ExportRun, ExceptionsTravelOutAfterTheReportIsRestored) {
  ThreePageReport r;
  r.Report.SetUnits(TQRUnit::Inches);
  r.Report.Prepare();
  TQRPrinter* preview = &r.Report.QRPrinter();
  ThrowingFilter failing("x.rec");
  EXPECT_THROW(r.Report.ExportToFilter(failing), std::runtime_error);
  EXPECT_EQ(r.Report.ActiveFilter(), nullptr);
  EXPECT_FALSE(r.Report.Exporting());
  EXPECT_TRUE(r.Report.FinalPass());
  EXPECT_EQ(&r.Report.QRPrinter(), preview);
  EXPECT_EQ(preview->PageCount(), 3);
  EXPECT_EQ(r.Report.Units(), TQRUnit::Inches);

  // The next export starts from a clean report.
  test::RecordingFilter next("y.rec");
  r.Report.ExportToFilter(next);
  EXPECT_EQ(next.Pages, 3);
  EXPECT_EQ(next.TextsOfPage(1).front(), "HEADER");
}

TEST(ExportRun, FieldErrorsTravelOutOfPrepareAndExport) {
  ThreePageReport r;
  r.Report.Prepare();
  auto& bad = r.Report.Bands().back()->Add<TQRDBText>();
  bad.DataSet = &r.Data;
  bad.DataField = "NoSuchField";
  EXPECT_THROW(r.Report.Prepare(), EDatabaseError);
  test::RecordingFilter filter("x.rec");
  EXPECT_THROW(r.Report.ExportToFilter(filter), EDatabaseError);
  EXPECT_FALSE(r.Report.Exporting());
  EXPECT_EQ(r.Report.Units(), TQRUnit::MM);
}

}  // namespace
}  // namespace oxqr
