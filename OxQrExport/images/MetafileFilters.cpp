// The metafile page filters: the page is recorded into a fresh metafile (after a white
// fill of the whole page when FillUnusedArea is set) and saved as EMF or placeable WMF.
#include <exception>

#include "ImageFilters.h"
#include "OxQrConsts/OxQrConsts.h"
#include "PageView.h"
#include "platform/Metafile.h"
#include "platform/MetafileFiles.h"
#include "platform/SafeFile.h"
#include "platform/Streams.h"

namespace oxqr {

std::string TOxQREMFFilter::DisplayName() const { return std::string(SEnhancedMetafile); }
std::string TOxQRWMFFilter::DisplayName() const { return std::string(SWindowsMetafile); }

void TOxQREMFFilter::StartJob(int PageWidth, int PageHeight, const TFont& Font) {
  TOxQRMetafileFilter::StartJob(PageWidth, PageHeight, Font);
  EnhancedFormat = true;
}

void TOxQRWMFFilter::StartJob(int PageWidth, int PageHeight, const TFont& Font) {
  TOxQRMetafileFilter::StartJob(PageWidth, PageHeight, Font);
  EnhancedFormat = false;
}

namespace {

void SaveMetafile(const TMetafile& metafile, bool enhanced, const std::string& fileName) {
  WriteFileSafelyWith(fileName, [&](TStream& stream) {
    if (enhanced)
      WriteEMF(metafile, stream);
    else
      WriteWMF(metafile, stream);
  });
}

}  // namespace

void TOxQRMetafileFilter::ClosePage() {
  if (!PageOpen()) return;
  if (HasPageToWrite()) {
    const auto& settings = QRExportSettings();
    const bool fill = EnhancedFormat ? settings.EMF.FillUnusedArea : settings.WMF.FillUnusedArea;
    const TPageView view(*Report);
    const TSize size = PagePixelSize();
    TMetafile metafile(size.cx, size.cy);
    std::exception_ptr drawFailure;
    {
      TMetafileCanvas canvas(metafile);
      if (fill) {
        canvas.Brush = TBrush{clWhite, TBrushStyle::bsSolid};
        canvas.FillRect(Rect(0, 0, size.cx, size.cy));
      }
      try {
        DrawSourcePage(canvas);
      } catch (...) {
        drawFailure = std::current_exception();
      }
    }
    // What was recorded is saved also when drawing failed; that failure then travels on
    // (it outranks a failure of the save itself).
    if (drawFailure) {
      try {
        SaveMetafile(metafile, EnhancedFormat, PageFile());
      } catch (...) {
      }
      std::rethrow_exception(drawFailure);
    }
    SaveMetafile(metafile, EnhancedFormat, PageFile());
  }
  TOxQRExportFilter::ClosePage();
}

}  // namespace oxqr
