// The filter base: page counting with its events, the aborted state, per-page file names,
// the picture reuse decision, and the stand-ins for formats this build lacks.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "OxQrExport/core/ExportFilterBase.h"
#include "OxQrExport/core/FilterKinds.h"
#include "support/ExportTestSupport.h"

namespace oxqr {
namespace {

using testing::ExportTest;

// The base with an extension and access to the protected state changes.
class TestFilter final : public TOxQRExportFilter {
 public:
  using TOxQRExportFilter::TOxQRExportFilter;
  std::string Ext = "htm";
  std::string Extension() const override { return Ext; }
  using TOxQRExportFilter::AbortFileNotCreated;
  using TOxQRExportFilter::SetBaseName;
};

// Records the page number at every OnBeginPage / OnEndPage.
struct PageEvents {
  std::vector<int> Begin, End;
  void Attach() {
    QRExportSettings().OnBeginPage = [this](TOxQRExportFilter* f) { Begin.push_back(f->PageNumber()); };
    QRExportSettings().OnEndPage = [this](TOxQRExportFilter* f) { End.push_back(f->PageNumber()); };
  }
};

TEST_F(ExportTest, ThreePageRunFiresEachPageEventOncePerPage) {
  PageEvents events;
  events.Attach();
  TestFilter filter("/tmp/report.htm");
  filter.StartJob(2100, 2970, TFont());
  EXPECT_TRUE(filter.Active);
  filter.ClosePage();  // the engine's close before page 1
  EXPECT_FALSE(filter.PageOpen());
  for (int page = 1; page <= 3; ++page) {
    filter.OpenPage();
    EXPECT_TRUE(filter.PageOpen());
    filter.ClosePage();
    EXPECT_EQ(filter.ClosedPageNumber(), page);
  }
  filter.FinishJob();
  EXPECT_EQ(events.Begin, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(events.End, (std::vector<int>{1, 2, 3}));
  EXPECT_FALSE(filter.Active);
}

TEST_F(ExportTest, AbortedJobCountsNoMorePagesAndFiresNoMoreEvents) {
  PageEvents events;
  events.Attach();
  std::vector<std::string> errors;
  TOxQRExportFilter* errorSender = nullptr;
  QRExportSettings().OnErrorMessage = [&](TOxQRExportFilter* s, const std::string& m) {
    errorSender = s;
    errors.push_back(m);
  };
  TestFilter filter("/tmp/report.htm");
  filter.StartJob(2100, 2970, TFont());
  filter.ClosePage();
  filter.OpenPage();
  filter.ClosePage();
  filter.OpenPage();
  filter.AbortFileNotCreated();  // page 2's output could not be created
  EXPECT_TRUE(filter.Aborted());
  EXPECT_FALSE(filter.PageOpen());
  filter.ClosePage();
  filter.OpenPage();
  filter.ClosePage();
  filter.FinishJob();

  EXPECT_EQ(filter.PageNumber(), 2);
  EXPECT_EQ(events.Begin, (std::vector<int>{1, 2}));
  EXPECT_EQ(events.End, (std::vector<int>{1}));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errorSender, &filter);
  EXPECT_EQ(errors[0],
            "File could not be created!\r\n\r\nPossible cause: It could be in use by some other application.\r\n\r\n"
            "Solution: Re-try the failed operation after closing the other application or specify another file name.");

  // A new job starts clean.
  filter.StartJob(2100, 2970, TFont());
  EXPECT_FALSE(filter.Aborted());
  EXPECT_EQ(filter.PageNumber(), 0);
}

TEST(PageFileName, UsesTheFileNamePartAndAtLeastFourDigits) {
  struct Case {
    const char* BaseName;
    const char* Ext;
    int Page;
    const char* Expected;
  };
  const Case cases[] = {
      {"/a/b.c", "htm", 7, "b.c0007.htm"},
      {"/out/report", "txt", 1, "report0001.txt"},
      {"/out/report", "txt", 12345, "report12345.txt"},
      {"report", "gif", 10, "report0010.gif"},
  };
  for (const auto& c : cases) {
    TestFilter filter("");
    filter.Ext = c.Ext;
    filter.SetBaseName(c.BaseName);
    EXPECT_EQ(filter.PageFileName(c.Page), c.Expected);
  }
}

TEST_F(ExportTest, ResolveImageReuseFollowsTheHandlerAndTheWrittenList) {
  const int a = 0, b = 0, c = 0;  // three report objects
  TStringObjectList written;
  written.Add("img1.jpg", &a);
  written.Add("img2.jpg", &b);
  written.Add("img3.jpg", &a);

  struct Handler {
    bool Assigned = false;
    int SetUnique = -1;  // -1 keeps, 0 false, 1 true
    int SetIndex = -99;  // -99 keeps
  };
  struct Case {
    const char* What;
    const void* Object;
    bool Unique;
    int IndexIn;
    Handler H;
    int Expected;
  };
  const Case cases[] = {
      {"first picture of the same object", &a, false, -1, {}, 0},
      {"second object", &b, false, -1, {}, 1},
      {"object without picture", &c, false, -1, {}, -1},
      {"unique picture", &a, true, -1, {}, -1},
      {"caller's index is not an input", &b, false, 2, {}, 1},
      {"handler picks an entry", &c, false, -1, {true, -1, 2}, 2},
      {"handler index beyond the list", &a, false, -1, {true, -1, 3}, -1},
      {"handler forces a unique picture", &a, false, -1, {true, 1, 1}, -1},
      {"handler allows reuse", &a, true, -1, {true, 0, -99}, 0},
      {"handler index below -1", &a, false, -1, {true, -1, -5}, -1},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.What);
    TestFilter filter("");
    if (tc.H.Assigned) {
      QRExportSettings().OnEncodeGraphic = [&](TOxQRExportFilter* sender, const void* obj, bool& unique, int& index) {
        EXPECT_EQ(sender, &filter);
        EXPECT_EQ(obj, tc.Object);
        EXPECT_EQ(index, -1);
        if (tc.H.SetUnique >= 0) unique = tc.H.SetUnique == 1;
        if (tc.H.SetIndex != -99) index = tc.H.SetIndex;
      };
    } else {
      QRExportSettings().OnEncodeGraphic = nullptr;
    }
    bool unique = tc.Unique;
    int index = tc.IndexIn;
    filter.ResolveImageReuse(tc.Object, unique, index, written);
    EXPECT_EQ(index, tc.Expected);
  }
}

TEST_F(ExportTest, EncodeGraphicDoneReportsObjectAndIndex) {
  const int object = 0;
  std::vector<std::pair<const void*, int>> seen;
  QRExportSettings().OnEncodeGraphicDone = [&](TOxQRExportFilter*, const void* o, int i) { seen.emplace_back(o, i); };
  TestFilter filter("");
  filter.NotifyEncodeGraphicDone(&object, 4);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].first, &object);
  EXPECT_EQ(seen[0].second, 4);
}

}  // namespace
}  // namespace oxqr
