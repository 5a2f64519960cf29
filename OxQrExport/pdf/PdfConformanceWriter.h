#pragma once
// What the PDF filter writes beyond the plain file for a conformance level: the 1.7 header,
// marked content and the structure tree (accessible), the metadata stream, the output
// intent, the catalog's entries and the file identifier. The filter calls it at a few
// points; with no level it is not made at all and the plain file is unchanged.
#include <string>
#include <string_view>

#include "OxQrExport/pdf/PdfConformance.h"
#include "OxQrExport/pdf/PdfStructure.h"
#include "OxQrExport/pdf/PdfXmp.h"

namespace oxqr {

class TOxQRPDFFilter;
class TQRPrintable;
class TQRCustomBand;
struct TOxQrBarcodeDrawing;

namespace pdf {

// Where the output intent's profile is read from (Debian's icc-profiles-free).
inline constexpr const char* kSrgbProfilePath = "/usr/share/color/icc/sRGB.icc";

class TConformanceWriter final {
 public:
  TConformanceWriter(TConformanceLevel level, std::string language);

  const TConformanceLevel& Level() const { return level_; }
  static std::string_view Header() { return "%PDF-1.7\r\n%\xE2\xE3\xCF\xD3\r\n"; }

  // ---- Pages and marked content (unchanged operators unless the file is tagged).
  void BeginPage(int pageObject);
  // Entries added to the /Page dictionary, each after CR LF.
  std::string PageEntries() const;
  // A text line of `control` (nullptr: none known).
  std::string Text(const TQRPrintable* control, std::string_view ops);
  // Boxes, frames and shapes: decoration only.
  std::string Artifact(std::string_view ops) const;
  // A picture, chart or barcode of `control`; `fallbackAlt` when the control has none.
  std::string Figure(const TQRPrintable& control, std::string_view ops, const std::string& fallbackAlt);
  void EndBand(const TQRCustomBand* band) { structure_.EndBand(band); }

  // The default alternative text of a barcode: its symbology and data.
  static std::string BarcodeAlt(const TOxQrBarcodeDrawing& drawing);
  // Notes text that was written with a missing glyph (no font holds a character of it).
  void MissingGlyphs(std::string_view text);

  // ---- The end of the file.
  // The information dictionary's body, and the metadata made from the same values.
  std::string InfoDictionary(const std::string& title, const std::string& author, const std::string& subject,
                             const std::string& keywords, const std::string& creator, std::string_view producer);
  // Writes the metadata, the output intent, the structure tree and the catalog (object 1).
  void WriteDocumentObjects(TOxQRPDFFilter& filter);
  // "/ID [<...> <...>]" for the trailer: a digest of the information and the object count.
  std::string TrailerId(int objectCount) const;

  TConformanceReport& Report() { return report_; }

 private:
  int WriteOutputIntent(TOxQRPDFFilter& filter);

  TConformanceLevel level_;
  std::string language_;
  TStructureTree structure_;
  TConformanceReport report_;
  TXmpFields xmp_;
  std::string info_;
};

}  // namespace pdf
}  // namespace oxqr
