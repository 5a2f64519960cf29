#include "OxQrExport/pdf/PdfConformance.h"

#include <algorithm>

namespace oxqr::pdf {
namespace {

std::string EncodingName(TPDFFontEncoding encoding) {
  switch (encoding) {
    case TPDFFontEncoding::feWinAnsiEncoding: return "feWinAnsiEncoding";
    case TPDFFontEncoding::feMacRomanEncoding: return "feMacRomanEncoding";
    case TPDFFontEncoding::feMacExpertEncoding: return "feMacExpertEncoding";
    case TPDFFontEncoding::feStandardEncoding: return "feStandardEncoding";
    case TPDFFontEncoding::fePDFDocEncoding: return "fePDFDocEncoding";
  }
  return "?";
}

}  // namespace

std::string TConformanceLevel::Name() const {
  if (Archival && Accessible) return "PDF/A-2b and PDF/UA-1";
  return Archival ? "PDF/A-2b" : Accessible ? "PDF/UA-1" : "none";
}

TConformanceLevel LevelOf(TPDFConformance conformance) {
  switch (conformance) {
    case TPDFConformance::none: return {};
    case TPDFConformance::pdfA2b: return {true, false};
    case TPDFConformance::pdfUA1: return {false, true};
    case TPDFConformance::pdfA2bUA1: return {true, true};
  }
  return {};
}

TConformanceLevel EffectiveLevel(TPDFConformance setting, const std::string& reportLevel) {
  if (setting != TPDFConformance::none) return LevelOf(setting);
  if (reportLevel == "pdfA2b") return LevelOf(TPDFConformance::pdfA2b);
  if (reportLevel == "pdfUA1") return LevelOf(TPDFConformance::pdfUA1);
  if (reportLevel == "pdfA2bUA1") return LevelOf(TPDFConformance::pdfA2bUA1);
  return {};
}

std::vector<std::string> ContradictingSettings(const TConformanceLevel& level, const TOxQRPDFSettings& settings,
                                               const std::string& title) {
  std::vector<std::string> messages;
  if (!level.Any()) return messages;
  const std::string prefix = "PDF.Conformance " + level.Name() + ": ";
  // Every font is embedded with its own glyph mapping: a simple font's encoding cannot be kept.
  if (settings.FontEncoding != TPDFFontEncoding::feWinAnsiEncoding)
    messages.push_back(prefix + "PDF.FontEncoding=" + EncodingName(settings.FontEncoding) +
                       " contradicts it (a conformant file embeds every font with its Unicode mapping); "
                       "leave PDF.FontEncoding at feWinAnsiEncoding");
  // A reader announces the document by its title.
  if (level.Accessible && std::all_of(title.begin(), title.end(), [](unsigned char c) { return c <= ' '; }))
    messages.push_back(prefix + "the document has no title; give the report a title or set PDF.Title");
  return messages;
}

void TConformanceReport::Add(const std::string& message) {
  if (std::find(messages_.begin(), messages_.end(), message) == messages_.end()) messages_.push_back(message);
}

}  // namespace oxqr::pdf
