#pragma once
// Stand-in filters for formats this build does not contain. They register like the real
// classes (same display name and extension, so the save dialog lists the format), but a job
// reports that the format is not available and ends aborted: no file is written and no
// success is ever reported.
#include "ExportFilterBase.h"

namespace oxqr {

class TOxQRPendingFilterBase : public TOxQRExportFilter {
 public:
  using TOxQRExportFilter::TOxQRExportFilter;
  // The base StartJob, then Aborted and the "not available" message with this filter as sender.
  void StartJob(int PageWidth, int PageHeight, const TFont& Font) override;
  // Nothing is open after the aborted start; keeps OnEndPage silent.
  void ClosePage() override;
};

template <TOxQRFilterKind Kind>
class TOxQRPendingFilter final : public TOxQRPendingFilterBase {
 public:
  using TOxQRPendingFilterBase::TOxQRPendingFilterBase;
  std::string Extension() const override;
  std::string DisplayName() const override;
};

extern template class TOxQRPendingFilter<TOxQRFilterKind::fkHTML>;
extern template class TOxQRPendingFilter<TOxQRFilterKind::fkPDF>;
extern template class TOxQRPendingFilter<TOxQRFilterKind::fkRTF>;
extern template class TOxQRPendingFilter<TOxQRFilterKind::fkExcel>;

}  // namespace oxqr
