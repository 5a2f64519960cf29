#include "ExportFilterBase.h"

#include <cstdio>
#include <iostream>

#include "OxQrConsts/OxQrConsts.h"
#include "engine/Chart.h"
#include "engine/Controls.h"
#include "engine/Band.h"
#include "engine/Printer.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/SafeFile.h"
#include "platform/ImageCodecs.h"
#include "platform/Streams.h"
#include "platform/Types.h"

namespace oxqr {
namespace {

std::function<void(const std::string&)>& ErrorBoxHandler() {
  static std::function<void(const std::string&)> handler;
  return handler;
}

// Native units to screen pixels (96 per inch), rounded as every pixel count of the library.
int NativeToScreen(double native) { return static_cast<int>(RoundHalfEven(native * 96.0 / NativePerInch)); }

TColor ParentBandColor(const TQRPrintable& control) {
  const TQRCustomBand* band = control.ParentBand();
  return band ? band->Color : clWhite;
}

void FillBitmap(TBitmap& bitmap, TColor color) {
  TCanvas& canvas = bitmap.Canvas();
  canvas.Brush.Color = color;
  canvas.Brush.Style = TBrushStyle::bsSolid;
  canvas.FillRect(Rect(0, 0, bitmap.Width(), bitmap.Height()));
}

// Writes a file whole or not at all (see TSafeFileStream): a failed write leaves no
// partial file under the name and keeps whatever was there before.
template <class Encode>
void WriteFreshFile(const std::string& fileName, Encode&& encode) {
  WriteFileSafelyWith(fileName, std::forward<Encode>(encode));
}

}  // namespace

void ReportError(TOxQRExportFilter* sender, const std::string& message) {
  if (const auto& handler = QRExportSettings().OnErrorMessage) {
    handler(sender, message);
    return;
  }
  if (const auto& box = ErrorBoxHandler()) {
    box(message);
    return;
  }
  std::cerr << message << std::endl;
}

void SetErrorBoxHandler(std::function<void(const std::string&)> handler) { ErrorBoxHandler() = std::move(handler); }

std::string TOxQRExportFilter::Description() const { return std::string(SFilterDescription); }

std::string TOxQRExportFilter::MakerText() const { return std::string(SMakerText); }

void TOxQRExportFilter::StartJob(int PageWidth, int PageHeight, const TFont& Font) {
  aborted_ = false;
  pageNumber_ = 0;
  TQRExportFilter::StartJob(PageWidth, PageHeight, Font);
}

void TOxQRExportFilter::ClosePage() {
  // The engine closes "page 0" before the first page, and keeps closing pages after a
  // failure; OnEndPage belongs only to pages that were really exported.
  if (PageOpen()) {
    if (const auto& handler = QRExportSettings().OnEndPage) handler(this);
  }
  TQRExportFilter::ClosePage();
  closedPageNumber_ = pageNumber_;
}

void TOxQRExportFilter::OpenPage() {
  if (aborted_) return;
  ++pageNumber_;
  BeginPage();
  TQRExportFilter::OpenPage();
}

void TOxQRExportFilter::BeginPage() {
  if (const auto& handler = QRExportSettings().OnBeginPage) handler(this);
}

std::string TOxQRExportFilter::PageFileName(int PageNo) const {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%.4d", PageNo);
  return ExtractFileName(baseName_) + digits + "." + Extension();
}

void TOxQRExportFilter::AbortFileNotCreated() {
  aborted_ = true;
  ReportError(this, std::string(SFileNotCreated));
}

void TOxQRExportFilter::AbortFileNotCreated(const EFileError& Error) {
  aborted_ = true;
  ReportError(this, std::string(SFileNotCreated) + "\r\n" + Error.Path() + ": " + Error.Reason());
}

void TOxQRExportFilter::SaveBitmapFile(const TBitmap& Bitmap, TOxImageFormat Format, std::string& FileName,
                                       const std::string& Base, int Quality) {
  switch (Format) {
    case TOxImageFormat::ifGIF:
      FileName = Base + ".gif";
      WriteFreshFile(FileName, [&](TStream& out) { EncodeGIF(Bitmap.Image(), out); });
      return;
    case TOxImageFormat::ifJPG:
      FileName = Base + ".jpg";
      WriteFreshFile(FileName, [&](TStream& out) {
        EncodeJPEG(Bitmap.Image(), out, TJPEGOptions{Quality, /*Progressive=*/false, /*Grayscale=*/false});
      });
      return;
    case TOxImageFormat::ifBMP:
      FileName = Base + ".bmp";
      Bitmap.SaveToFile(FileName);
      return;
  }
  FileName = Base;
}

std::unique_ptr<TMemoryStream> TOxQRExportFilter::EncodeJPEGStream(const TBitmap& Bitmap, int Quality) {
  auto stream = std::make_unique<TMemoryStream>();
  EncodeJPEG(Bitmap.Image(), *stream, TJPEGOptions{Quality, false, false});
  stream->SetPosition(0);
  return stream;
}

TOxQrRect TOxQRExportFilter::PictureRect(const TGraphic& Graphic, double X, double Y) const {
  // Without a source printer the screen's factor applies, which is what the preview uses.
  const double screenFactor = 96.0 / NativePerInch;
  const double hf = SourcePrinter ? SourcePrinter->HorizontalFactor() : screenFactor;
  const double vf = SourcePrinter ? SourcePrinter->VerticalFactor() : screenFactor;
  return TOxQrRect{X, Y, Graphic.Width() / hf, Graphic.Height() / vf};
}

std::unique_ptr<TBitmap> TOxQRExportFilter::ControlBitmap(const TQRPrintable& Control, TPixelFormat PixelFormat) {
  if (const auto* chart = dynamic_cast<const TQRChart*>(&Control)) return chart->ChartBitmap(clWhite);

  TBitmap picture;
  bool havePicture = false;
  bool center = false;
  bool stretch = false;
  if (const auto* image = dynamic_cast<const TQRImage*>(&Control)) {
    picture = image->Picture;
    havePicture = !picture.Empty();
    center = image->Center;
    stretch = image->Stretch;
  } else if (const auto* dbImage = dynamic_cast<const TQRDBImage*>(&Control)) {
    havePicture = dbImage->LoadPicture(picture) && !picture.Empty();
    center = dbImage->Center;
    stretch = dbImage->Stretch;
  }

  auto bitmap = std::make_unique<TBitmap>(NativeToScreen(Control.Size.Width), NativeToScreen(Control.Size.Height),
                                          PixelFormat);
  if (bitmap->Empty()) return bitmap;
  if (stretch || !havePicture) {
    if (havePicture) bitmap->Canvas().StretchDraw(Rect(0, 0, bitmap->Width(), bitmap->Height()), picture);
    return bitmap;
  }
  FillBitmap(*bitmap, ParentBandColor(Control));
  int x = 0;
  int y = 0;
  if (center) {
    x = (bitmap->Width() - picture.Width()) / 2;  // truncates toward zero
    y = (bitmap->Height() - picture.Height()) / 2;
  }
  bitmap->Canvas().Draw(x, y, picture);
  return bitmap;
}

std::unique_ptr<TBitmap> TOxQRExportFilter::ShapeBitmap(const TQRShape& Shape, TPixelFormat PixelFormat) {
  auto bitmap = std::make_unique<TBitmap>(Shape.Width(), Shape.Height(), PixelFormat);
  if (bitmap->Empty()) return bitmap;
  FillBitmap(*bitmap, ParentBandColor(Shape));
  TCanvas& canvas = bitmap->Canvas();
  canvas.Brush = Shape.Brush;
  canvas.Pen = Shape.Pen;
  const int w = bitmap->Width();
  const int h = bitmap->Height();
  switch (Shape.Shape) {
    case TQRShapeType::qrsRectangle: canvas.Rectangle(0, 0, w, h); break;
    case TQRShapeType::qrsCircle: canvas.Ellipse(0, 0, w, h); break;
    default: break;  // lines are exported as boxes by the document formats
  }
  return bitmap;
}

void TOxQRExportFilter::NotifyEncodeGraphicDone(const void* AObject, int ObjectImageIndex) {
  if (const auto& handler = QRExportSettings().OnEncodeGraphicDone) handler(this, AObject, ObjectImageIndex);
}

void TOxQRExportFilter::ResolveImageReuse(const void* AObject, bool& UniqueImage, int& ReuseImageIndex,
                                          const TStringObjectList& Written) {
  ReuseImageIndex = ResolveImageReuse(AObject, UniqueImage, Written.Count(), [&Written](const void* object) {
    for (int i = 0; i < Written.Count(); ++i)
      if (Written.Items[static_cast<std::size_t>(i)].Object == object) return i;
    return -1;
  });
}

int TOxQRExportFilter::ResolveImageReuse(const void* AObject, bool& UniqueImage, int WrittenCount,
                                         const std::function<int(const void*)>& FirstOf) {
  int reuse = -1;
  if (const auto& handler = QRExportSettings().OnEncodeGraphic) handler(this, AObject, UniqueImage, reuse);
  // Below -1 or past the written entries is no index at all; treating it as "encode anew"
  // keeps callers from indexing the list out of range.
  if (UniqueImage || reuse < -1 || reuse >= WrittenCount) return -1;
  return reuse != -1 ? reuse : FirstOf(AObject);
}

}  // namespace oxqr
