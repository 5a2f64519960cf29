// The export-aware controls: when they call the document filter's hooks, and that they
// print exactly like the engine's own controls.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "OxQrCtrls/ExportAware.h"
#include "OxQrCtrls/ExportControls.h"
#include "engine/Printer.h"
#include "engine/Report.h"
#include "tests/OxQrExport/document/RecordingFilter.h"

namespace oxqr {
namespace {

using test::TRecordingFilter;

// Fills a band with one control of each kind, of the engine's or the export-aware classes.
template <class Label, class Memo, class Shape, class Image>
void FillBand(TQRCustomBand& band) {
  auto& label = band.Add<Label>();
  label.Name = "Label";
  label.Caption = "Caption";
  label.SetBoundsMM(5, 2, 40, 5);
  label.Frame.SetAll(true);
  auto& memo = band.Add<Memo>();
  memo.Name = "Memo";
  memo.Lines = {"first", "second"};
  memo.SetBoundsMM(50, 2, 40, 12);
  auto& shape = band.Add<Shape>();
  shape.Name = "Shape";
  shape.Shape = TQRShapeType::qrsCircle;
  shape.SetBoundsMM(100, 2, 10, 10);
  auto& image = band.Add<Image>();
  image.Name = "Image";
  image.Picture = TBitmap(8, 8);
  image.SetBoundsMM(120, 2, 10, 10);
}

TEST(ExportControls, PreviewDrawsLikeTheEngineControls) {
  TQRReport engine, aware;
  FillBand<TQRLabel, TQRMemo, TQRShape, TQRImage>(engine.AddBand(TQRBandType::rbDetail));
  FillBand<TOxQRLabel, TOxQRMemo, TOxQRShape, TOxQRImage>(aware.AddBand(TQRBandType::rbDetail));
  engine.Prepare();
  aware.Prepare();
  ASSERT_EQ(engine.QRPrinter().PageCount(), 1);
  ASSERT_EQ(aware.QRPrinter().PageCount(), 1);
  EXPECT_TRUE(*engine.QRPrinter().Page(1) == *aware.QRPrinter().Page(1));
}

// A non-document filter that asks, for every printed line, whether the controls would
// call their hooks.
class TProbeFilter : public TQRExportFilter {
 public:
  using TQRExportFilter::TQRExportFilter;
  std::function<void()> Probe;
  void WriteText(double, double, const TFont&, TColor, TAlignment, const std::string&) override { Probe(); }
};

class TProbeDocumentFilter : public TRecordingFilter {
 public:
  using TRecordingFilter::TRecordingFilter;
  std::function<void()> Probe;
  void WriteText(double X, double Y, const TFont& F, TColor C, TAlignment A, const std::string& T) override {
    Probe();
    TRecordingFilter::WriteText(X, Y, F, C, A, T);
  }
};

TEST(ExportControls, DocumentExportActiveOnlyForAnEnabledControlExportedToADocumentFilter) {
  TQRReport report;
  auto& band = report.AddBand(TQRBandType::rbDetail);
  FillBand<TOxQRLabel, TOxQRMemo, TOxQRShape, TOxQRImage>(band);
  auto& disabled = band.Add<TOxQRLabel>();
  disabled.Enabled = false;
  const TOxQRLabel orphan;  // belongs to no report
  const auto& label = *band.Controls()[0];
  report.Prepare();
  EXPECT_FALSE(DocumentExportActive(label));  // the preview has no filter

  std::vector<bool> active;
  auto probe = [&] {
    active.push_back(DocumentExportActive(label));
    active.push_back(DocumentExportActive(disabled));
    active.push_back(DocumentExportActive(orphan));
  };
  TProbeFilter plain("plain");
  plain.Probe = probe;
  report.ExportToFilter(plain);
  ASSERT_FALSE(active.empty());
  EXPECT_EQ(std::count(active.begin(), active.end(), true), 0);

  active.clear();
  TProbeDocumentFilter document("memory");
  document.Probe = probe;
  report.ExportToFilter(document);
  ASSERT_FALSE(active.empty());
  EXPECT_EQ(active[0], true);
  EXPECT_EQ(active[1], false);
  EXPECT_EQ(active[2], false);
  EXPECT_EQ(ActiveDocumentFilter(label), nullptr);  // the run is over
  // One hook per printed control, in print order, pictures and shapes before they print.
  for (const char* entry : {"BeginTextBlock:Label", "EndTextBlock:Label", "BeginTextBlock:Memo",
                            "EndTextBlock:Memo", "WriteShape:Shape", "WritePicture:Image"})
    EXPECT_EQ(document.Count(entry), 1u) << entry;
}

TEST(ExportControls, StretchingMemoContinuesOnTheNextPage) {
  TQRReport report;
  report.Page.NativeLength = 800;  // 80 mm paper
  auto& band = report.AddBand(TQRBandType::rbDetail);
  band.SetHeightMM(20);
  auto& memo = band.Add<TOxQRMemo>();
  memo.Name = "Memo";
  memo.AutoStretch = true;
  for (int i = 1; i <= 30; ++i) memo.Lines.push_back("line " + std::to_string(i));
  memo.SetBoundsMM(10, 2, 60, 10);
  report.Prepare();
  ASSERT_GE(report.QRPrinter().PageCount(), 2);

  TRecordingFilter filter("memory");
  report.ExportToFilter(filter);
  std::vector<std::string> hooks;
  for (const auto& e : filter.Log)
    if (e.rfind("BeginTextBlock", 0) == 0 || e.rfind("EndTextBlock", 0) == 0 || e == "OpenPage") hooks.push_back(e);
  ASSERT_GE(hooks.size(), 6u);
  const std::vector<std::string> firstTwoPages = {"OpenPage", "BeginTextBlock:Memo", "EndTextBlock:Memo",
                                                  "OpenPage", "BeginTextBlock:Memo",
                                                  "EndTextBlock:Memo:continuing"};
  EXPECT_EQ(std::vector<std::string>(hooks.begin(), hooks.begin() + 6), firstTwoPages);
  // The lines of every page reach the filter inside the memo's block.
  EXPECT_EQ(filter.Count("BlockText:line 1"), 1u);
  EXPECT_EQ(filter.Count("BlockText:line 30"), 1u);
}

}  // namespace
}  // namespace oxqr
