// TOxQRRTFFilter: turned text lines as pictures. A turned line is drawn as the page draws it,
// at four times the page's pixels, into a picture that covers the line's turned extent, so
// that a reader shows it as the page does without support for turned text of its own.
#include <QPainter>

#include "OxQrExport/rtf/RtfFilter.h"
#include "engine/Band.h"
#include "engine/Controls.h"
#include "platform/Bitmap.h"
#include "platform/Metafile.h"
#include "platform/TextMetrics.h"

namespace oxqr {

void TOxQRRTFFilter::WriteText(double X, double Y, const TFont& Font, TColor BackColor, TAlignment Alignment,
                               const std::string& Text) {
  turnedText_ = Font.Orientation % 3600 != 0 ? &Text : nullptr;
  TOxQRDocumentFilter::WriteText(X, Y, Font, BackColor, Alignment, Text);
  turnedText_ = nullptr;
}

bool TOxQRRTFFilter::AddTurnedText(const TOxQrTextRec& Rec) {
  if (turnedText_ == nullptr || !QRExportSettings().RTF.ExportImages) return false;
  constexpr int kScale = 4;
  constexpr double kTwipsPerPixel = 1440.0 / ScreenPPI;
  MrText line;
  line.Text = *turnedText_;
  line.Font = Rec.Font.ToFont();
  line.Font.Orientation = Rec.Orientation;
  const TRect bounds = TextBounds(line);
  if (bounds.Width() <= 0 || bounds.Height() <= 0) return true;
  // The picture's ground is what the page shows under the line: the control's colour, or
  // its band's behind a transparent control.
  TColor ground = clWhite;
  if (const auto* label = dynamic_cast<const TQRCustomLabel*>(TextControl)) {
    const TQRCustomBand* band = label->ParentBand();
    ground = !label->Transparent ? label->Color : band != nullptr ? band->Color : clWhite;
  }
  TBitmap picture(bounds.Width() * kScale, bounds.Height() * kScale);
  picture.Canvas().Brush = TBrush{ground, TBrushStyle::bsSolid};
  picture.Canvas().FillRect(Bounds(0, 0, picture.Width(), picture.Height()));
  line.X = -bounds.Left;
  line.Y = -bounds.Top;
  TMetafile drawn(bounds.Width(), bounds.Height());
  drawn.Records.emplace_back(line);
  {
    QImage image = picture.Image();
    QPainter painter(&image);
    PlayMetafile(painter, drawn, 0, 0, kScale);
    painter.end();
    picture.SetImage(image);
  }
  const TOxQrRect rect{Rec.X + bounds.Left * kTwipsPerPixel, Rec.Y + bounds.Top * kTwipsPerPixel,
                       bounds.Width() * kTwipsPerPixel, bounds.Height() * kTwipsPerPixel};
  std::string markup;
  AppendPictureGroup(markup, picture, rect, bounds.Height(), bounds.Width(), false, nullptr);
  if (InTextBlock) {
    TextBlockLines.push_back(std::move(markup));
  } else {
    markup += "\r\n";
    WriteBody(markup);
  }
  return true;
}

}  // namespace oxqr
