#include "ExportControls.h"

#include "ExportAware.h"
#include "OxQrExport/core/DocumentFilter.h"

namespace oxqr {

namespace {

// Prints a text control as one text block. `Continuing` is read before anything prints:
// a control left unfinished on the previous page is being continued on this one. Each
// hook asks again whether the export is active, at the moment of its call.
template <class Base>
void PrintTextBlock(Base& control, int OffsetX, int OffsetY) {
  const bool continuing = !control.Finished;
  if (auto* filter = ActiveDocumentFilter(control)) filter->BeginTextBlock(control, OffsetX, OffsetY);
  control.Base::Print(OffsetX, OffsetY);
  if (auto* filter = ActiveDocumentFilter(control)) filter->EndTextBlock(control, OffsetX, OffsetY, continuing);
}

template <class Base>
void PrintPicture(Base& control, int OffsetX, int OffsetY) {
  const bool continuing = !control.Finished;
  if (auto* filter = ActiveDocumentFilter(control)) filter->WritePicture(control, OffsetX, OffsetY, continuing);
  control.Base::Print(OffsetX, OffsetY);
}

}  // namespace

void TOxQRLabel::Print(int OffsetX, int OffsetY) { PrintTextBlock<TQRLabel>(*this, OffsetX, OffsetY); }
void TOxQRDBText::Print(int OffsetX, int OffsetY) { PrintTextBlock<TQRDBText>(*this, OffsetX, OffsetY); }
void TOxQRSysData::Print(int OffsetX, int OffsetY) { PrintTextBlock<TQRSysData>(*this, OffsetX, OffsetY); }
void TOxQRMemo::Print(int OffsetX, int OffsetY) { PrintTextBlock<TQRMemo>(*this, OffsetX, OffsetY); }

void TOxQRShape::Print(int OffsetX, int OffsetY) {
  const bool continuing = !Finished;
  if (auto* filter = ActiveDocumentFilter(*this)) filter->WriteShape(*this, OffsetX, OffsetY, continuing);
  TQRShape::Print(OffsetX, OffsetY);
}

void TOxQRImage::Print(int OffsetX, int OffsetY) { PrintPicture<TQRImage>(*this, OffsetX, OffsetY); }
void TOxQRDBImage::Print(int OffsetX, int OffsetY) { PrintPicture<TQRDBImage>(*this, OffsetX, OffsetY); }

}  // namespace oxqr
