#include "Showcase/samples/SampleParts.h"

#include "Showcase/samples/SampleDrawings.h"

namespace oxqr {

namespace {
constexpr double kLineHeightMM = 4.5;  // one line of Arial 10 pt (17 screen pixels)
}

void SetUpSamplePage(TQRCustomReport& report, TQRPaperSize paper, double top, double bottom, double left, double right) {
  report.Page.SetPaper(paper);
  report.Page.Orientation = TPrinterOrientation::poPortrait;
  report.Page.SetMarginsMM(top, bottom, left, right);
  report.SetUnits(TQRUnit::MM);
  report.SetZoom(100);
  report.PrintIfEmpty = true;
  report.Options.FirstPageHeader = true;
  report.Options.LastPageFooter = true;
}

TQRCustomBand& AddSampleTitleBand(TQRCustomReport& report, double heightMM, const std::string& caption) {
  auto& band = report.AddBand(TQRBandType::rbTitle);
  band.Name = "TitleBand1";
  band.SetHeightMM(heightMM);
  band.Color = clTeal;
  auto& title = band.Add<TOxQRLabel>();
  title.Name = "QRLabelTitle";
  title.Caption = caption;
  title.Font.Name = "Impact";
  title.Font.Size = 16;
  title.Font.Color = clWhite;
  title.Font.Style = TFontStyles{TFontStyle::fsBold, TFontStyle::fsUnderline};
  title.Transparent = true;
  title.Alignment = TAlignment::taCenter;
  title.AlignToBand = true;
  title.SetBoundsMM(0, 0, 190.0, heightMM);
  return band;
}

TOxQRLabel& AddSampleHeaderLabel(TQRCustomBand& pageHeader) {
  auto& label = AddSampleLabel(pageHeader, "OxQRFilters", 0, 0.3, 22.0);
  label.Name = "QRLabelHeader";
  label.Font.Color = clRed;
  label.Color = clInfoBk;
  label.Alignment = TAlignment::taLeftJustify;
  label.AlignToBand = true;
  return label;
}

TQRCustomBand& AddSamplePageHeader(TQRCustomReport& report, double heightMM) {
  auto& band = report.AddBand(TQRBandType::rbPageHeader);
  band.Name = "PageHeaderBand1";
  band.SetHeightMM(heightMM);
  band.Color = clWhite;
  AddSampleHeaderLabel(band);
  return band;
}

TOxQRImage& AddSampleLogo(TQRCustomBand& band, double left, double top, double sideMM) {
  auto& logo = band.Add<TOxQRImage>();
  logo.Name = "QRImageLogo";
  logo.Picture = SampleLogo();
  logo.Stretch = true;
  logo.SetBoundsMM(left, top, sideMM, sideMM);
  return logo;
}

TOxQRLabel& AddSampleLabel(TQRCustomBand& band, const std::string& caption, double left, double top, double width) {
  auto& label = band.Add<TOxQRLabel>();
  label.Caption = caption;
  label.SetBoundsMM(left, top, width, kLineHeightMM);
  return label;
}

TOxQRDBText& AddSampleDBText(TQRCustomBand& band, TDataSet& data, const std::string& field, double left, double top,
                             double width) {
  auto& text = band.Add<TOxQRDBText>();
  text.Name = "QRDBText" + field;
  text.DataSet = &data;
  text.DataField = field;
  text.SetBoundsMM(left, top, width, kLineHeightMM);
  return text;
}

}  // namespace oxqr
