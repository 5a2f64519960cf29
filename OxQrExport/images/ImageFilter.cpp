// The page image base: per-job base name and per-page file naming, and the rendering
// steps the bitmap and metafile filters share.
#include "ImageFilters.h"
#include "PageView.h"
#include "engine/Printer.h"
#include "engine/Report.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/SafeFile.h"

namespace oxqr {

void TOxQRImageFilter::StartJob(int PageWidth, int PageHeight, const TFont& Font) {
  TOxQRExportFilter::StartJob(PageWidth, PageHeight, Font);
  // Cut by length: a name that does not end in our extension loses as many characters.
  const std::size_t cut = Extension().size() + 1;
  SetBaseName(FileName.size() > cut ? FileName.substr(0, FileName.size() - cut) : std::string());
  QRExportSettings().CreatedReportFiles.Clear();
}

void TOxQRImageFilter::BeginPage() {
  TOxQRExportFilter::BeginPage();
  std::string name = PageFileName(PageNumber());
  if (const auto& handler = QRExportSettings().OnMakeRepFileName) handler(this, name, PageNumber());
  pageFile_ = ExtractFilePath(BaseName()) + name;
  // The previous page file goes before the page is written (a folder, device, FIFO or socket
  // of that name is never deleted and aborts the job instead).
  try {
    DeletePreviousFile(pageFile_);
  } catch (const EFileError& e) {
    AbortFileNotCreated(e);
    return;
  }
  QRExportSettings().CreatedReportFiles.Add(name);
}

bool TOxQRImageFilter::HasPageToWrite() const {
  return PageOpen() && PageNumber() > 0 && Report != nullptr;
}

TSize TOxQRImageFilter::PagePixelSize() const {
  return TSize{static_cast<int>(RoundHalfEven(Report->Page.Width())),
               static_cast<int>(RoundHalfEven(Report->Page.Length()))};
}

void TOxQRImageFilter::DrawSourcePage(TCanvas& canvas) const {
  if (SourcePrinter == nullptr) return;
  SourcePrinter->SetCurrentPage(PageNumber());
  if (const TMetafile* page = SourcePrinter->PageMetafile()) canvas.Draw(0, 0, *page);
}

std::unique_ptr<TBitmap> TOxQRImageFilter::NewPageBitmap(TPixelFormat pf) const {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetPixelFormat(pf);  // before the bitmap gets its size
  return bitmap;
}

void TOxQRImageFilter::RenderPage(TBitmap& bitmap, bool monochrome) const {
  const TSize size = PagePixelSize();
  bitmap.SetSize(size.cx, size.cy);
  DrawSourcePage(bitmap.Canvas());
  bitmap.SetMonochrome(monochrome);
}

bool TOxQRImageFilter::FireCreateBitmap(TBitmap& bitmap, TStream& fileStream) {
  bool proceed = true;
  if (const auto& handler = QRExportSettings().OnCreateBitmap) handler(this, bitmap, fileStream, PageNumber(), proceed);
  return proceed;
}

}  // namespace oxqr
