#include "FilterKinds.h"

#include <array>
#include <stdexcept>

#include "OxQrConsts/OxQrConsts.h"
#include "PendingFormats.h"

// The text and page-image formats are picked up as soon as their headers are in the tree;
// until then their kinds register a stand-in that reports the format as not available.
#if __has_include("OxQrExport/text/TextFilter.h")
#include "OxQrExport/text/TextFilter.h"
#define OXQR_HAVE_TEXT_FILTER 1
#endif
#if __has_include("OxQrExport/images/ImageFilters.h")
#include "OxQrExport/images/ImageFilters.h"
#define OXQR_HAVE_IMAGE_FILTERS 1
#endif

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
#ifdef OXQR_HAVE_TEXT_FILTER
    case K::fkText: return ClassOf<TOxQRTextFilter>();
#else
    case K::fkText: return ClassOf<TOxQRPendingFilter<K::fkText>>();
#endif
#ifdef OXQR_HAVE_IMAGE_FILTERS
    case K::fkGIF: return ClassOf<TOxQRGIFFilter>();
    case K::fkJPEG: return ClassOf<TOxQRJPEGFilter>();
    case K::fkBMP: return ClassOf<TOxQRBMPFilter>();
    case K::fkEMF: return ClassOf<TOxQREMFFilter>();
    case K::fkWMF: return ClassOf<TOxQRWMFFilter>();
#else
    case K::fkGIF: return ClassOf<TOxQRPendingFilter<K::fkGIF>>();
    case K::fkJPEG: return ClassOf<TOxQRPendingFilter<K::fkJPEG>>();
    case K::fkBMP: return ClassOf<TOxQRPendingFilter<K::fkBMP>>();
    case K::fkEMF: return ClassOf<TOxQRPendingFilter<K::fkEMF>>();
    case K::fkWMF: return ClassOf<TOxQRPendingFilter<K::fkWMF>>();
#endif
  }
  throw std::out_of_range("FilterClassOfKind: unknown filter kind");
}

std::string FilterDisplayName(TOxQRFilterKind kind) { return std::string(*Info(kind).DisplayName); }

std::string_view FilterExtension(TOxQRFilterKind kind) { return Info(kind).Extension; }

std::string_view FilterKindName(TOxQRFilterKind kind) { return Info(kind).Name; }

}  // namespace oxqr
