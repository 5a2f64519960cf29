#include <stdexcept>

#include <gtest/gtest.h>

#include "RecordingFilter.h"
#include "ReportFixture.h"
#include "engine/FilterLibrary.h"
#include "engine/SaveCommand.h"
#include "platform/Files.h"

namespace oxqr {
namespace {

int liveFilters = 0;
int exportedPages = 0;

class CountedFilter : public test::RecordingFilter {
 public:
  explicit CountedFilter(const std::string& f) : RecordingFilter(f) { ++liveFilters; }
  ~CountedFilter() override {
    exportedPages = Pages;
    --liveFilters;
  }
  std::string DisplayName() const override { return "Counted"; }
};

class FailingFilter : public CountedFilter {
 public:
  using CountedFilter::CountedFilter;
  void OpenPage() override { throw std::runtime_error("cannot write"); }
};

struct OnePage {
  TQRReport Report;
  OnePage() {
    test::NoMargins(Report);
    test::AddLabel(test::AddBand(Report, TQRBandType::rbDetail, 100), "text");
    Report.Prepare();
  }
};

TEST(SaveCommand, ExportFreesTheFilterOnEveryPath) {
  OnePage r;
  ExportReport(r.Report, *ClassOf<CountedFilter>(), "a.rec");
  EXPECT_EQ(liveFilters, 0);
  EXPECT_EQ(exportedPages, 1);
  EXPECT_THROW(ExportReport(r.Report, *ClassOf<FailingFilter>(), "b.rec"), std::runtime_error);
  EXPECT_EQ(liveFilters, 0);
  EXPECT_FALSE(r.Report.Exporting());
}

TEST(SaveCommand, TypeOneSavesThePreparedReportAndLaterTypesUseTheRegistry) {
  OnePage r;
  TTempFile file("engine-save");
  SaveReport(r.Report, file.Name(), 1);
  TQRPrinter loaded;
  loaded.LoadFromFile(file.Name());
  ASSERT_EQ(loaded.PageCount(), 1);
  EXPECT_TRUE(*loaded.Page(1) == *r.Report.QRPrinter().Page(1));

  const std::size_t before = FilterLibrary().Filters().size();
  FilterLibrary().AddFilter(ClassOf<CountedFilter>());
  exportedPages = 0;
  SaveReport(r.Report, "unused.rec", static_cast<int>(before) + 2);
  EXPECT_EQ(exportedPages, 1);
  FilterLibrary().RemoveFilter(ClassOf<CountedFilter>());
  EXPECT_EQ(FilterLibrary().Filters().size(), before);
  EXPECT_THROW(SaveReport(r.Report, "unused.rec", static_cast<int>(before) + 2), std::out_of_range);
}

}  // namespace
}  // namespace oxqr
