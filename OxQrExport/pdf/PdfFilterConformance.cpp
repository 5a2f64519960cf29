// TOxQRPDFFilter: the hooks of the conformance levels (PdfConformanceWriter.h): the level
// chosen and checked at the start, items marked as they are drawn, the report at the end.
#include "OxQrExport/core/BarcodeDrawing.h"
#include "OxQrExport/pdf/PdfFilter.h"
#include "engine/Chart.h"
#include "engine/Report.h"

namespace oxqr {

bool TOxQRPDFFilter::StartConformance() {
  Conformance.reset();
  QRExportSettings().ConformanceWarnings.clear();
  const auto& s = QRExportSettings().PDF;
  const pdf::TConformanceLevel level = pdf::EffectiveLevel(s.Conformance, Report ? Report->PdfConformance : "");
  if (!level.Any()) return true;
  const std::vector<std::string> contradictions =
      pdf::ContradictingSettings(level, s, s.Title.empty() ? ReportTitle : s.Title);
  if (!contradictions.empty()) {
    std::string message;
    for (const auto& m : contradictions) message += (message.empty() ? "" : "\n") + m;
    ReportError(this, message);
    SetAborted();
    return false;
  }
  Conformance = std::make_unique<pdf::TConformanceWriter>(level, Report ? Report->Language : std::string("en"));
  return true;
}

bool TOxQRPDFFilter::FinishConformance() {
  if (!Conformance) return true;
  const std::vector<std::string> faults = Conformance->Report().Messages();
  const std::string level = Conformance->Level().Name();
  Conformance.reset();
  if (faults.empty()) return true;
  auto& settings = QRExportSettings();
  if (!settings.PDF.ConformanceStrict) {
    for (const auto& f : faults) settings.ConformanceWarnings.push_back(level + ": " + f);
    return true;
  }
  std::string message = "the file would not conform to " + level + " and was not written "
                        "(PDF.ConformanceStrict=False writes it with these warnings):";
  for (const auto& f : faults) message += "\n  " + f;
  ReportError(this, message);
  return false;
}

void TOxQRPDFFilter::EndBand(const TQRCustomBand& Band, const TOxQrRect& Rect) {
  TOxQRDocumentFilter::EndBand(Band, Rect);
  if (Conformance) Conformance->EndBand(&Band);
}

void TOxQRPDFFilter::MarkFigure(const TQRPrintable& Control, std::string& Ops) {
  if (!Conformance || richTextPicture_) return;
  const auto* chart = dynamic_cast<const TQRChart*>(&Control);
  Ops = Conformance->Figure(Control, Ops, chart ? chart->DataDescription() : std::string());
}

std::string TOxQRPDFFilter::RichTextAlt(TStream& Rtf, const TGraphic& Graphic) const {
  const TRichTextLineBreaker& breaker = RichTextLineBreaker ? RichTextLineBreaker : TRichTextLineBreaker(PlainRichTextLines);
  std::string text;
  Rtf.SetPosition(0);
  for (const auto& line : breaker(Rtf, Graphic.Width(), Graphic.Height())) {
    if (line.empty()) continue;
    text += (text.empty() ? "" : " ") + line;
  }
  Rtf.SetPosition(0);
  return text;
}

}  // namespace oxqr
