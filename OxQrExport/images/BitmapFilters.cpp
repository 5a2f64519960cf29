// The bitmap page filters: the page is played onto a bitmap of the page's pixel size,
// offered to OnCreateBitmap, then written as GIF, JPEG or a Windows bitmap file. Each page
// file is written beside its name and takes it only when complete (TSafeFileStream).
#include "ImageFilters.h"
#include "OxQrConsts/OxQrConsts.h"
#include "PageView.h"
#include "platform/ImageCodecs.h"
#include "platform/SafeFile.h"
#include "platform/Streams.h"

namespace oxqr {

std::string TOxQRGIFFilter::DisplayName() const { return std::string(SGIFImageFile); }
std::string TOxQRJPEGFilter::DisplayName() const { return std::string(SJPEGImageFile); }
std::string TOxQRBMPFilter::DisplayName() const { return std::string(SBitmapFile); }

// A ".gif" page file holds GIF89a data, so that every program that opens it by its
// extension can read it.
void TOxQRGIFFilter::ClosePage() {
  if (!PageOpen()) return;
  if (HasPageToWrite()) {
    const TOxQRGIFSettings settings = QRExportSettings().GIF;
    const TPageView view(*Report);
    const auto bitmap = NewPageBitmap(settings.PixelFormat);
    TSafeFileStream stream(PageFile());
    RenderPage(*bitmap, settings.Monochrome);
    if (FireCreateBitmap(*bitmap, stream)) EncodeGIF(bitmap->Image(), stream);
    stream.Commit();
  }
  TOxQRExportFilter::ClosePage();
}

void TOxQRJPEGFilter::ClosePage() {
  if (!PageOpen()) return;
  if (HasPageToWrite()) {
    const TOxQRJPEGSettings settings = QRExportSettings().JPEG;
    const TPageView view(*Report);
    const auto bitmap = NewPageBitmap(settings.PixelFormat);
    const TJPEGOptions options{settings.Quality, settings.ProgressiveEncoding, false};
    TSafeFileStream stream(PageFile());
    RenderPage(*bitmap, settings.Monochrome);
    if (FireCreateBitmap(*bitmap, stream)) EncodeJPEG(bitmap->Image(), stream, options);
    stream.Commit();
  }
  TOxQRExportFilter::ClosePage();
}

void TOxQRBMPFilter::ClosePage() {
  if (!PageOpen()) return;
  if (HasPageToWrite()) {
    const TOxQRBMPSettings settings = QRExportSettings().BMP;
    const TPageView view(*Report);
    const auto bitmap = NewPageBitmap(settings.PixelFormat);
    RenderPage(*bitmap, settings.Monochrome);
    bool proceed = true;
    if (QRExportSettings().OnCreateBitmap) {
      // The file is open only while the handler runs, so that it has a stream to write.
      TSafeFileStream stream(PageFile());
      proceed = FireCreateBitmap(*bitmap, stream);
      stream.Commit();
    }
    if (proceed) WriteFileSafelyWith(PageFile(), [&](TStream& out) { bitmap->SaveToStream(out); });
  }
  TOxQRExportFilter::ClosePage();
}

}  // namespace oxqr
