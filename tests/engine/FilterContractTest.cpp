#include <gtest/gtest.h>

#include "RecordingFilter.h"
#include "engine/FilterLibrary.h"

namespace oxqr {
namespace {

TEST(ExportFilter, AbstractFilterAnswersAndActiveBracketsTheJob) {
  TQRExportFilter f("out.x");
  EXPECT_EQ(f.FileName, "out.x");
  EXPECT_EQ(f.Description(), "Abstract non-working export filter");
  EXPECT_EQ(f.DisplayName(), "Abstract filter");
  EXPECT_EQ(f.Extension(), "");
  EXPECT_FALSE(f.MakerText().empty());
  EXPECT_FALSE(f.IsContinuous());
  EXPECT_EQ(f.Report, nullptr);
  EXPECT_EQ(f.SourcePrinter, nullptr);
  EXPECT_FALSE(f.Active);
  f.StartJob(2100, 2970, TFont{});
  EXPECT_TRUE(f.Active);
  f.ClosePage();
  f.OpenPage();
  EXPECT_TRUE(f.Active);
  f.FinishJob();
  EXPECT_FALSE(f.Active);
}

class HtmlLike : public TQRExportFilter {
 public:
  using TQRExportFilter::TQRExportFilter;
  std::string DisplayName() const override { return "HTML document"; }
  std::string Extension() const override { return "htm"; }
};

class PdfLike : public TQRExportFilter {
 public:
  using TQRExportFilter::TQRExportFilter;
  std::string DisplayName() const override { return "PDF document"; }
  std::string Extension() const override { return "pdf"; }
};

TEST(FilterLibrary, SaveDialogFilterListsTheEngineFileThenEveryEntry) {
  TQRExportFilterLibrary lib;
  EXPECT_EQ(lib.SaveDialogFilter(), "QRReport file(*.QRP)|*.QRP");
  lib.AddFilter(ClassOf<HtmlLike>());
  lib.AddFilter(ClassOf<PdfLike>());
  EXPECT_EQ(lib.SaveDialogFilter(),
            "QRReport file(*.QRP)|*.QRP|HTML document (*.htm)|*.htm|PDF document (*.pdf)|*.pdf");
  ASSERT_EQ(lib.Filters().size(), 2u);
  EXPECT_EQ(lib.Filters()[0].ExportFilterClass, ClassOf<HtmlLike>());
  EXPECT_EQ(lib.Filters()[1].FilterName, "PDF document");
  EXPECT_EQ(lib.Filters()[1].Extension, "pdf");
}

TEST(FilterLibrary, RegisteringTwiceAddsTwoEntriesAndRemovingTakesOnlyTheFirst) {
  TQRExportFilterLibrary lib;
  lib.AddFilter(ClassOf<HtmlLike>());
  lib.AddFilter(ClassOf<PdfLike>());
  lib.AddFilter(ClassOf<HtmlLike>());
  lib.RemoveFilter(ClassOf<HtmlLike>());
  ASSERT_EQ(lib.Filters().size(), 2u);
  EXPECT_EQ(lib.Filters()[0].FilterName, "PDF document");
  EXPECT_EQ(lib.Filters()[1].FilterName, "HTML document");
  // A class that is not registered leaves the list as it is.
  lib.RemoveFilter(ClassOf<test::RecordingFilter>());
  EXPECT_EQ(lib.Filters().size(), 2u);
}

}  // namespace
}  // namespace oxqr
