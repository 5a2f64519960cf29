#include "FilterKinds.h"

#include <array>
#include <stdexcept>

#include "OxQrConsts/OxQrConsts.h"
#include "OxQrExport/images/ImageFilters.h"
#include "OxQrExport/text/TextFilter.h"
#include "OxQrExport/excel/ExcelFilter.h"
#include "OxQrExport/html/HtmlFilter.h"
#include "OxQrExport/pdf/PdfFilter.h"
#include "OxQrExport/rtf/RtfFilter.h"
#include "OxQrExport/csv/CsvFilter.h"
#include "OxQrExport/xlsx/XlsxFilter.h"

namespace oxqr {
namespace {

struct KindInfo {
  std::string_view Name;
  const std::string_view* DisplayName;  // a resource string, read when asked
  std::string_view Extension;
};

constexpr std::array<KindInfo, FilterKindCount> Kinds{{
    {"fkHTML", &SHTMLDocument, "htm"},
    {"fkPDF", &SPDFDocument, "pdf"},
    {"fkRTF", &SRTFDocument, "rtf"},
    {"fkExcel", &SExcelWorksheet, "xls"},
    {"fkText", &STextDocument, "txt"},
    {"fkGIF", &SGIFImageFile, "gif"},
    {"fkJPEG", &SJPEGImageFile, "jpg"},
    {"fkBMP", &SBitmapFile, "bmp"},
    {"fkEMF", &SEnhancedMetafile, "emf"},
    {"fkWMF", &SWindowsMetafile, "wmf"},
}};

const KindInfo& Info(TOxQRFilterKind kind) { return Kinds.at(static_cast<std::size_t>(kind)); }

}  // namespace

const TQRExportFilterClass* FilterClassOfKind(TOxQRFilterKind kind) {
  using K = TOxQRFilterKind;
  switch (kind) {
    case K::fkHTML: return ClassOf<TOxQRHTMLFilter>();
    case K::fkPDF: return ClassOf<TOxQRPDFFilter>();
    case K::fkRTF: return ClassOf<TOxQRRTFFilter>();
    case K::fkExcel: return ClassOf<TOxQRExcelFilter>();
    case K::fkText: return ClassOf<TOxQRTextFilter>();
    case K::fkGIF: return ClassOf<TOxQRGIFFilter>();
    case K::fkJPEG: return ClassOf<TOxQRJPEGFilter>();
    case K::fkBMP: return ClassOf<TOxQRBMPFilter>();
    case K::fkEMF: return ClassOf<TOxQREMFFilter>();
    case K::fkWMF: return ClassOf<TOxQRWMFFilter>();
  }
  throw std::out_of_range("FilterClassOfKind: unknown filter kind");
}

const std::vector<const TQRExportFilterClass*>& ExtraFilterClasses() {
  static const std::vector<const TQRExportFilterClass*> classes{ClassOf<TOxQRXLSXFilter>(), ClassOf<TOxQRCSVFilter>()};
  return classes;
}

std::string FilterDisplayName(TOxQRFilterKind kind) { return std::string(*Info(kind).DisplayName); }

std::string_view FilterExtension(TOxQRFilterKind kind) { return Info(kind).Extension; }

std::string_view FilterKindName(TOxQRFilterKind kind) { return Info(kind).Name; }

}  // namespace oxqr
