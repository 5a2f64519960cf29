// Sample report 3: formatted text loaded from RichTextDemo.RTF, printed by a stretching
// rich text control that runs over several pages.
#include <exception>

#include "OxQrCtrls/ExportControls.h"
#include "OxQrCtrls/RichText.h"
#include "Showcase/samples/SampleDrawings.h"
#include "Showcase/samples/SampleParts.h"
#include "Showcase/samples/SampleReports.h"

namespace oxqr {

namespace {

constexpr const char* kIntroText =
    "Export this report to see the  WYSIWYG richtext exporting capability of OxQRFilters. When you export to "
    "RTF, RichText objects are exported as WYSIWYG editable text. When you export to other formats, RichText "
    "objects are saved as images. The content that follows the line is taken from the manual and loaded into a "
    "TOxQRRichText control. ";

class TRichTextReport final : public TSampleReport {
 public:
  explicit TRichTextReport(const TSampleContext& ctx) {
    QRReport3.Name = "QRReport3";
    QRReport3.ReportTitle = "RichText Demo";
    SetUpSamplePage(QRReport3, TQRPaperSize::Letter, 12.7, 12.7, 12.7, 12.7);
    QRReport3.SetUnits(TQRUnit::Inches);
    QRReport3.SetZoom(120);

    TQRCustomBand& title = AddSampleTitleBand(QRReport3, 6.2, "OxQRFilters RichText Demo");
    title.ChildBand = &AddIntroBand();
    AddPageHeader();
    AddDetail();
    LoadText(ctx.ResourceDir);
  }

  std::string Key() const override { return "richtext"; }
  std::string Title() const override { return QRReport3.ReportTitle; }
  TQRCustomReport& Report() override { return QRReport3; }
  TOxQRRichText& RichText() { return *OxQRRichText1; }

 private:
  TQRCustomBand& AddIntroBand() {
    auto& band = QRReport3.AddBand(TQRBandType::rbChild);
    band.Name = "ChildBand1";
    band.SetHeightMM(15.4);
    band.Color = clWhite;
    auto& memo = band.Add<TOxQRMemo>();
    memo.Name = "QRMemo1";
    memo.SetBoundsMM(0, 0.9, 190.3, 14.8);
    memo.WordWrap = true;
    memo.Lines = {kIntroText};
    auto& line = band.Add<TOxQRShape>();
    line.Name = "QRShape1";
    line.Shape = TQRShapeType::qrsHorLine;
    line.SetBoundsMM(0, 13.4, 190.7, 2.0);
    return band;
  }

  void AddPageHeader() {
    AddSampleLogo(AddSamplePageHeader(QRReport3, 6.2), 185.0, 0.4, 5.3);
  }

  void AddDetail() {
    auto& band = QRReport3.AddBand(TQRBandType::rbDetail);
    band.Name = "DetailBand1";
    band.SetHeightMM(16.8);
    band.Color = clWhite;
    OxQRRichText1 = &band.Add<TOxQRRichText>();
    OxQRRichText1->Name = "OxQRRichText1";
    OxQRRichText1->SetBoundsMM(0, 1.5, 190.3, 11.9);
    OxQRRichText1->AutoStretch = true;
    OxQRRichText1->SetColor(clWindow);
  }

  // Loads the text with its formatting. A missing or broken file does not stop the
  // program: the report then prints the reason in place of the text.
  void LoadText(const std::string& resourceDir) {
    const std::string path = (resourceDir.empty() ? std::string(".") : resourceDir) + "/RichTextDemo.RTF";
    try {
      OxQRRichText1->Editor().LoadFromFile(path);
    } catch (const std::exception& e) {
      OxQRRichText1->SetLines({"RichTextDemo.RTF could not be read: " + std::string(e.what())});
    }
  }

  TQRReport QRReport3;
  TOxQRRichText* OxQRRichText1 = nullptr;
};

}  // namespace

std::unique_ptr<TSampleReport> MakeRichTextReport(const TSampleContext& ctx) {
  return std::make_unique<TRichTextReport>(ctx);
}

}  // namespace oxqr
