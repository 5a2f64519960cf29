#include "PendingFormats.h"

#include "FilterKinds.h"
#include "OxQrConsts/OxQrConsts.h"

namespace oxqr {

void TOxQRPendingFilterBase::StartJob(int PageWidth, int PageHeight, const TFont& Font) {
  TOxQRExportFilter::StartJob(PageWidth, PageHeight, Font);
  SetAborted();
  ReportError(this, FormatNotAvailable(DisplayName()));
}

void TOxQRPendingFilterBase::ClosePage() {
  if (PageOpen()) TOxQRExportFilter::ClosePage();
}

template <TOxQRFilterKind Kind>
std::string TOxQRPendingFilter<Kind>::Extension() const {
  return std::string(FilterExtension(Kind));
}

template <TOxQRFilterKind Kind>
std::string TOxQRPendingFilter<Kind>::DisplayName() const {
  return FilterDisplayName(Kind);
}

template class TOxQRPendingFilter<TOxQRFilterKind::fkHTML>;
template class TOxQRPendingFilter<TOxQRFilterKind::fkPDF>;
template class TOxQRPendingFilter<TOxQRFilterKind::fkRTF>;
template class TOxQRPendingFilter<TOxQRFilterKind::fkExcel>;

}  // namespace oxqr
