#include "Settings.h"

#include "ExportFilterBase.h"
#include "FilterKinds.h"
#include "OxQrConsts/OxQrConsts.h"
#include "engine/FilterLibrary.h"

namespace oxqr {

TOxQRDocumentFilterSettings::TOxQRDocumentFilterSettings() : Creator(SQRReport) {}

TOxQRHTMLSettings::TOxQRHTMLSettings()
    : FirstLinkText(SFirst), LastLinkText(SLast), NextLinkText(SNext), PrevLinkText(SPrevious) {}

namespace {

bool IsDocumentImageFormat(TOxImageFormat f) { return f == TOxImageFormat::ifJPG || f == TOxImageFormat::ifBMP; }

constexpr TOxQRFilterKind KindAt(int i) { return static_cast<TOxQRFilterKind>(i); }

}  // namespace

void TOxQRPDFSettings::SetExportImageFormat(TOxImageFormat f) {
  if (!IsDocumentImageFormat(f)) {
    ReportError(nullptr, std::string(SPDFImageFormats));
    return;
  }
  exportImageFormat_ = f;
}

void TOxQRRTFSettings::SetExportImageFormat(TOxImageFormat f) {
  if (!IsDocumentImageFormat(f)) {
    ReportError(nullptr, std::string(SRTFImageFormats));
    return;
  }
  exportImageFormat_ = f;
}

TOxQRExportSettings::TOxQRExportSettings() { SetVisibleFilters(TOxQRVisibleFilters::All()); }

TOxQRExportSettings::~TOxQRExportSettings() {
  SetVisibleFilters(TOxQRVisibleFilters());
  for (const TQRExportFilterClass* extra : ExtraFilterClasses()) FilterLibrary().RemoveFilter(extra);
}

void TOxQRExportSettings::SetVisibleFilters(TOxQRVisibleFilters value) {
  TQRExportFilterLibrary& library = FilterLibrary();
  bool adding = false;
  for (int i = 0; i < FilterKindCount; ++i) {
    if (visible_.Has(KindAt(i)) && !value.Has(KindAt(i))) library.RemoveFilter(FilterClassOfKind(KindAt(i)));
    adding = adding || (!visible_.Has(KindAt(i)) && value.Has(KindAt(i)));
  }
  // The formats beyond the ten stay registered after them.
  if (adding)
    for (const TQRExportFilterClass* extra : ExtraFilterClasses()) library.RemoveFilter(extra);
  for (int i = 0; i < FilterKindCount; ++i) {
    if (!visible_.Has(KindAt(i)) && value.Has(KindAt(i))) library.AddFilter(FilterClassOfKind(KindAt(i)));
  }
  if (adding)
    for (const TQRExportFilterClass* extra : ExtraFilterClasses()) library.AddFilter(extra);
  visible_ = value;
}

TOxQRExportSettings& QRExportSettings() {
  // The registry is created first so that it is destroyed after the settings object,
  // whose destructor still unregisters the filters at program exit.
  static TQRExportFilterLibrary& library = FilterLibrary();
  static TOxQRExportSettings settings;
  (void)library;
  return settings;
}

void InitializeExportLibrary() { QRExportSettings(); }

}  // namespace oxqr
