#pragma once
// The conformance levels of the PDF filter: archival (PDF/A-2b) and accessible (tagged,
// PDF/UA-1). A level implies what it needs (a 1.7 header, every font embedded as a subset
// with its Unicode mapping, an output intent, metadata, a structure tree) and refuses
// settings that contradict it before anything is written. What the filter could not make
// conformant while writing (a picture without alternative text, a character no font has)
// is collected as the conformance report.
#include <string>
#include <vector>

#include "OxQrExport/core/Settings.h"

namespace oxqr::pdf {

struct TConformanceLevel {
  bool Archival = false;    // PDF/A-2b
  bool Accessible = false;  // tagged, PDF/UA-1
  bool Any() const { return Archival || Accessible; }
  // "PDF/A-2b", "PDF/UA-1", "PDF/A-2b and PDF/UA-1".
  std::string Name() const;
};

TConformanceLevel LevelOf(TPDFConformance conformance);
// The level of a file: the setting's, or when it names none the report's own
// ("pdfA2b", "pdfUA1", "pdfA2bUA1"; anything else: none).
TConformanceLevel EffectiveLevel(TPDFConformance setting, const std::string& reportLevel);

// One message per setting that contradicts `level`; empty when none does. `title` is the
// document's title as the file would carry it.
std::vector<std::string> ContradictingSettings(const TConformanceLevel& level, const TOxQRPDFSettings& settings,
                                               const std::string& title);

// What a file could not be made to conform in, each fault once however often it occurs.
class TConformanceReport final {
 public:
  void Add(const std::string& message);
  const std::vector<std::string>& Messages() const { return messages_; }
  bool Empty() const { return messages_.empty(); }

 private:
  std::vector<std::string> messages_;
};

}  // namespace oxqr::pdf
