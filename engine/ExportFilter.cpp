// The abstract export filter: a filter that writes nothing. Subclasses override the
// operations they need; Active brackets the job between StartJob and FinishJob.
#include "ExportFilter.h"

namespace oxqr {

TQRExportFilter::TQRExportFilter(const std::string& fileName) : FileName(fileName) {}

TQRExportFilter::~TQRExportFilter() = default;

std::string TQRExportFilter::Description() const { return "Abstract non-working export filter"; }
std::string TQRExportFilter::Extension() const { return ""; }
std::string TQRExportFilter::DisplayName() const { return "Abstract filter"; }
std::string TQRExportFilter::MakerText() const { return "OxQR report engine"; }
bool TQRExportFilter::IsContinuous() const { return false; }

bool TQRExportFilter::ReadsPreviewPages() const { return true; }

void TQRExportFilter::StartJob(int /*PageWidth*/, int /*PageHeight*/, const TFont& /*Font*/) { Active = true; }
void TQRExportFilter::ClosePage() {}
void TQRExportFilter::FinishJob() { Active = false; }
void TQRExportFilter::OpenPage() {}
void TQRExportFilter::WriteText(double /*X*/, double /*Y*/, const TFont& /*Font*/, TColor /*BackColor*/,
                                TAlignment /*Alignment*/, const std::string& /*Text*/) {}

}  // namespace oxqr
