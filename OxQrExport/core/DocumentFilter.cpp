#include "DocumentFilter.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <stdexcept>

#include "NumberText.h"
#include "VisibleText.h"
#include "Settings.h"
#include "engine/Band.h"
#include "engine/Controls.h"
#include "engine/Printer.h"
#include "engine/Report.h"
#include "platform/Canvas.h"
#include "platform/Metafile.h"
#include "platform/TextMetrics.h"

namespace oxqr {

TOxQrFontAttrib TOxQrFontAttrib::FromFont(const TFont& font) {
  TOxQrFontAttrib a;
  a.Charset = font.Charset;
  a.Name = font.Name;
  a.Pitch = font.Pitch;
  a.Size = font.Size < 0 ? -font.Size : font.Size;
  a.Color = font.Color;
  a.Style = font.Style;
  return a;
}

TFont TOxQrFontAttrib::ToFont() const {
  TFont f;
  f.Charset = Charset;
  f.Name = Name;
  f.Pitch = Pitch;
  f.Size = Size;
  f.Color = Color;
  f.Style = Style;
  return f;
}

TOxQRDocumentFilter::~TOxQRDocumentFilter() = default;

// ---- Engine operations

void TOxQRDocumentFilter::StartJob(int APageWidth, int APageHeight, const TFont& Font) {
  if (SourcePrinter == nullptr) throw std::logic_error("document filter started without a source printer");
  TOxQRExportFilter::StartJob(APageWidth, APageHeight, Font);
  SetBaseName(FileName);
  TextBlockLines.clear();
  InTextBlock = false;
  LinesInBlock = 0;
  TextControl = nullptr;
  BandOpen = false;
  BandBuffer.clear();
  lineHeightKnown_ = false;
  ReportTitle = SourcePrinter->Title;
  TotalPages = SourcePrinter->PageCount();
  PageHeight = MapY(APageHeight);
  PageWidth = MapX(APageWidth);
  ReportFont = TOxQrFontAttrib::FromFont(Font);
  if (Report != nullptr) {
    auto frame = std::make_unique<TQRFrame>();
    frame->Color = Report->Frame.Color;
    frame->DrawBottom = Report->Frame.DrawBottom;
    frame->DrawLeft = Report->Frame.DrawLeft;
    frame->DrawRight = Report->Frame.DrawRight;
    frame->DrawTop = Report->Frame.DrawTop;
    frame->Style = Report->Frame.Style;
    frame->Width = Report->Frame.Width;
    PageFrame = std::move(frame);
    // The margins are kept in Native whatever units the report shows them in.
    LeftMargin = MapX(Report->Page.NativeLeftMargin);
    TopMargin = MapY(Report->Page.NativeTopMargin);
    RightMargin = MapX(Report->Page.NativeRightMargin);
    BottomMargin = MapY(Report->Page.NativeBottomMargin);
  }
  if (QRExportSettings().OnBeginJob) QRExportSettings().OnBeginJob(this);
  BeginDocument();
}

void TOxQRDocumentFilter::WriteText(double X, double Y, const TFont& Font, TColor BackColor, TAlignment Alignment,
                                    const std::string& Text) {
  if (!PageOpen()) return;
  const TSize extent = TextExtent(Font, Text);
  if (Font.Orientation % 3600 != 0) {
    WriteTurnedText(X, Y, Font, BackColor, Text, extent);
    return;
  }
  double x = X;
  std::string shown;
  if (ShowsOnlyVisibleText() && CutToVisible(x, Font, Alignment, Text, extent.cx, shown))
    AddTextRec(x, Y, Font, BackColor, Alignment, shown, TextExtent(Font, shown));
  else
    AddTextRec(X, Y, Font, BackColor, Alignment, Text, extent);
  ++LinesInBlock;
  TOxQRExportFilter::WriteText(X, Y, Font, BackColor, Alignment, Text);
}

void TOxQRDocumentFilter::AddTextRec(double X, double Y, const TFont& Font, TColor BackColor, TAlignment Alignment,
                                     const std::string& Text, TSize Extent) {
  TOxQrTextRec& rec = textRec_;  // every field is set: nothing of the previous line remains
  rec.X = MapX(X);
  rec.Y = MapY(Y);
  MapSize(Extent, rec.Width, rec.Height);
  rec.Font = TOxQrFontAttrib::FromFont(Font);
  rec.BackColor = BackColor;
  rec.Alignment = Alignment;
  EncodeTextInto(Text, rec.Text);
  rec.Orientation = Font.Orientation;
  rec.ColumnSlot = 0;
  rec.CellType = 0;
  AddText(rec);
}

void TOxQRDocumentFilter::WriteTurnedText(double X, double Y, const TFont& Font, TColor BackColor,
                                          const std::string& Text, TSize Extent) {
  if (!DrawsTurnedText()) {
    // Upright, read as the text would be unturned: the lines one under the other from the
    // box's top, each as far down as its turned line lies across the box, so that a grid
    // gives every line a row of its own.
    const int turn = ((Font.Orientation / 10) % 360 + 360) % 360;
    const bool boxed = TextClipRight > TextClipLeft && TextClipBottom > TextClipTop;
    if (boxed && turn == 90) {
      Y = TextClipTop + (X - TextClipLeft);
      X = TextClipLeft;
    } else if (boxed && turn == 270) {
      Y = TextClipTop + (TextClipRight - X);
      X = TextClipLeft;
    } else if (boxed && turn == 180) {
      Y = TextClipTop + (TextClipBottom - Y);
      X -= Extent.cx / SourcePrinter->HorizontalFactor();
    } else {  // no box: where the turned line lies
      MrText line;
      line.X = SourcePrinter->ToDeviceX(X);
      line.Y = SourcePrinter->ToDeviceY(Y);
      line.Text = Text;
      line.Font = Font;
      const TRect bounds = TextBounds(line);
      X += (bounds.Left - line.X) / SourcePrinter->HorizontalFactor();
      Y += (bounds.Top - line.Y) / SourcePrinter->VerticalFactor();
    }
  }
  AddTextRec(X, Y, Font, BackColor, TAlignment::taLeftJustify, Text, Extent);
  ++LinesInBlock;
  TOxQRExportFilter::WriteText(X, Y, Font, BackColor, TAlignment::taLeftJustify, Text);
}

bool TOxQRDocumentFilter::CutToVisible(double& X, const TFont& Font, TAlignment Alignment, const std::string& Text,
                                       int Width, std::string& Shown) const {
  // Where the page draws the line: its anchor in pixels, shifted by the alignment.
  auto shiftOf = [Alignment](int width) {
    return Alignment == TAlignment::taRightJustify ? width : Alignment == TAlignment::taCenter ? width / 2 : 0;
  };
  const int anchor = SourcePrinter->ToDeviceX(X);
  const TPixelSpan paper{0, SourcePrinter->ToDeviceWidth(SourcePrinter->PaperWidth)};
  TPixelSpan clip = paper;
  if (TextClipRight > TextClipLeft)
    clip = TPixelSpan{SourcePrinter->ToDeviceX(TextClipLeft), SourcePrinter->ToDeviceX(TextClipRight)};
  const int left = anchor - shiftOf(Width);
  auto holds = [&](TPixelSpan s) { return left >= s.Left && left + Width <= s.Right; };
  if (holds(paper) && holds(clip)) return false;  // the whole line shows
  const TVisibleSpan span = VisibleSpan(Font, Text, left, paper, clip);
  if (!span.Cut) return false;
  Shown = Text.substr(span.First, span.Count);
  X += (span.Left + shiftOf(span.Width) - anchor) / SourcePrinter->HorizontalFactor();
  return true;
}

void TOxQRDocumentFilter::FinishJob() {
  if (!Aborted()) EndDocument();
  if (QRExportSettings().OnEndJob) QRExportSettings().OnEndJob(this);
  TextBlockLines.clear();
  PageFrame.reset();
  TOxQRExportFilter::FinishJob();
}

// ---- Page model operations

void TOxQRDocumentFilter::MapRect(const TOxQrRect& Source, TOxQrRect& Dest) {
  const TOxQrRect s = Source;  // Dest may be Source
  Dest.Left = MapX(s.Left);
  Dest.Top = MapY(s.Top);
  Dest.Width = MapX(s.Width);
  Dest.Height = MapY(s.Height);
}

TOxQrRect TOxQRDocumentFilter::MappedRect(const TOxQrRect& Source) {
  TOxQrRect r;
  MapRect(Source, r);
  return r;
}

void TOxQRDocumentFilter::MapSize(TSize Size, double& Width, double& Height) {
  Width = Size.cx;
  Height = Size.cy;
}

std::string TOxQRDocumentFilter::EncodeText(const std::string& Text) { return Text; }

void TOxQRDocumentFilter::EncodeTextInto(const std::string& Text, std::string& Out) { Out = EncodeText(Text); }

double TOxQRDocumentFilter::MapX(double X) { return SourcePrinter->ToDeviceX(X); }

double TOxQRDocumentFilter::MapY(double Y) { return SourcePrinter->ToDeviceY(Y); }

std::string TOxQRDocumentFilter::FormatNumber(double Value) { return RoundedNumber(Value); }

void TOxQRDocumentFilter::BeginBand() {
  BandOpen = true;
  BandBuffer.clear();
}

void TOxQRDocumentFilter::EndBand(const TQRCustomBand& Band, const TOxQrRect& Rect) {
  if (Aborted()) return;
  bool fill = true;
  if (OptimizeBackground) fill = ColorToRGB(Band.Color) != clWhite;
  if (Output) {
    if (fill || Band.Frame.AnyFrame()) {
      std::string& box = itemMarkup_;
      box.clear();
      RenderBox(Rect, Band.Color, box, true, true, false, fill, Band.Frame);
      box += "\r\n";
      Output->Write(box);
    }
    Output->Write(BandBuffer);
  }
  BandOpen = false;
  BandBuffer.clear();
}

void TOxQRDocumentFilter::EndDocument() {}

std::unique_ptr<TBitmap> TOxQRDocumentFilter::ScaleToDPI(const TGraphic* Graphic, int DPI) const {
  if (Graphic == nullptr) return nullptr;
  auto scaled = [DPI](int pixels) { return std::max(1, static_cast<int>(RoundHalfEven(DPI * pixels / 72.0))); };
  const int w = scaled(Graphic->Width());
  const int h = scaled(Graphic->Height());
  auto bitmap = std::make_unique<TBitmap>(w, h, Graphic->PixelFormat());
  bitmap->Canvas().StretchDraw(Rect(0, 0, w, h), *Graphic);
  return bitmap;
}

// ---- Helpers of the hooks

TOxQrRect TOxQRDocumentFilter::ControlRect(const TQRPrintable& Control, int OffsetX, int OffsetY) {
  return TOxQrRect{Control.Size.Left + OffsetX, Control.Size.Top + OffsetY, Control.Size.Width, Control.Size.Height};
}

TOxQrRect TOxQRDocumentFilter::BandRect(const TQRCustomBand& Band) {
  const TQRCustomReport* report = Band.ParentReport();
  const double left = report ? report->CurrentX : 0;
  const double top = report ? report->CurrentY : 0;
  return TOxQrRect{left, top, Band.Size.Width, Band.Size.Height + Band.Expanded};
}

bool TOxQRDocumentFilter::IsLastInBand(const TQRPrintable& Control, bool Continuing) {
  const TQRCustomBand* band = Control.ParentBand();
  if (band == nullptr) return false;
  const auto& controls = band->Controls();
  if (!Continuing) {
    // The last enabled child is the last one the engine prints.
    for (auto it = controls.rbegin(); it != controls.rend(); ++it)
      if ((*it)->Enabled) return it->get() == &Control;
    return false;
  }
  // On a continuation page only the unfinished controls print again.
  for (auto it = controls.rbegin(); it != controls.rend(); ++it)
    if (!(*it)->Finished) return it->get() == &Control;
  return true;
}

bool TOxQRDocumentFilter::BackgroundFill(const TQRPrintable& Control, const TQRCustomLabel* Label, bool Optimize) {
  if (Label != nullptr && Label->Transparent) return false;
  if (!Optimize) return true;
  const TQRCustomBand* band = Control.ParentBand();
  if (band == nullptr) return false;
  return ColorToRGB(band->Color) != ColorToRGB(Control.Color);
}

void TOxQRDocumentFilter::CloseBandIfLast(const TQRPrintable& Control, bool Continuing) {
  // The lines of one rich text are text blocks of the same control; the band is closed
  // once, after its last line (see WriteRichText).
  if (richTextDepth_ > 0) return;
  if (!IsLastInBand(Control, Continuing)) return;
  const TQRCustomBand& band = *Control.ParentBand();
  EndBand(band, MappedRect(BandRect(band)));
}

void TOxQRDocumentFilter::FlushTextBlock() {
  for (const auto& line : TextBlockLines) AppendToBand(line);
  TextBlockLines.clear();
}

void TOxQRDocumentFilter::AppendToBand(std::string_view markup) {
  BandBuffer.append(markup);
  BandBuffer.append("\r\n", 2);
}

std::string TOxQRDocumentFilter::TakeOpenBand() {
  BandOpen = false;
  return std::exchange(BandBuffer, {});
}

void TOxQRDocumentFilter::ShapeFrame(const TQRShape& Shape, TOxQrRect R, std::string& Out) {
  TQRFrame frame;
  frame.Color = Shape.Pen.Color;
  frame.Width = Shape.Pen.Width;
  frame.Style = Shape.Pen.Style;
  bool fill = false;
  const int h = Shape.Height();
  const int w = Shape.Width();
  switch (Shape.Shape) {
    case TQRShapeType::qrsRectangle:
      frame.DrawTop = true;
      frame.DrawBottom = frame.DrawLeft = h > 2;
      frame.DrawRight = frame.DrawLeft && w > 1;
      if (h == 2 && frame.Width < 2) frame.Width = 2;
      fill = Shape.Brush.Style == TBrushStyle::bsSolid;
      break;
    case TQRShapeType::qrsVertLine:
      R.Left += R.Width / 2;
      frame.DrawLeft = true;
      break;
    case TQRShapeType::qrsHorLine:
      R.Top += R.Height / 2;
      frame.DrawTop = true;
      break;
    case TQRShapeType::qrsTopAndBottom:
      R.Height += SourcePrinter->VerticalFactor();
      frame.DrawTop = true;
      frame.DrawBottom = h > 1;
      if (h == 1 && frame.Width < 2) frame.Width = 2;
      break;
    case TQRShapeType::qrsRightAndLeft:
      frame.DrawLeft = true;
      frame.DrawRight = w > 1;
      break;
    case TQRShapeType::qrsCircle:
      break;  // drawn as a picture through RenderShape, never here
  }
  RenderBox(MappedRect(R), Shape.Brush.Color, Out, true, true, false, fill, frame);
}

// ---- Control hooks

void TOxQRDocumentFilter::BeginTextBlock(const TQRPrintable& Control, int OffsetX, int OffsetY) {
  if (!PageOpen()) return;
  InTextBlock = true;
  LinesInBlock = 0;
  TextBlockLines.clear();
  TextControl = &Control;
  TextOffsetX = OffsetX;
  TextOffsetY = OffsetY;
  if (!BandOpen) BeginBand();
}

void TOxQRDocumentFilter::EndTextBlock(const TQRPrintable& Control, int OffsetX, int OffsetY, bool Continuing) {
  if (!PageOpen()) return;
  TextControl = nullptr;
  InTextBlock = false;
  TOxQrRect r = ControlRect(Control, OffsetX, OffsetY);

  const auto* label = dynamic_cast<const TQRCustomLabel*>(&Control);
  std::optional<TFont> reportFont;  // made only for a control without a font of its own
  const TFont& font = label ? label->Font : reportFont.emplace(ReportFont.ToFont());
  const TQRPrinter* printer = Control.ParentPrinter() ? Control.ParentPrinter() : SourcePrinter;
  // Text blocks come in runs of the same font: its line height is measured once per run.
  if (!lineHeightKnown_ || !(lineHeightFont_ == font)) {
    lineHeightFont_ = font;
    lineHeight_ = TextExtent(font, "W").cy;
    lineHeightKnown_ = true;
  }
  const int lineHeight = lineHeight_;
  const double blockHeight = (lineHeight * LinesInBlock + 2) / printer->VerticalFactor();

  const bool fixedHeight = blockHeight < Control.Size.Height || (label && label->Turned());
  const bool fixedWidth = !(label && label->AutoSize) || (label && label->Turned());
  // A turned text keeps its box, whatever its lines.
  const bool turned = label && label->Turned();
  if (!turned && !(blockHeight < Control.Size.Height || LinesInBlock == 1)) r.Height = blockHeight;

  std::string& box = itemMarkup_;
  box.clear();
  const bool fill = BackgroundFill(Control, label, OptimizeBackground);
  // A turned text's lines are placed on their own: its box is drawn only when it shows
  // (an empty text frame of a format that frames lines could cover what lies under it).
  if (!turned || fill || Control.Frame.AnyFrame()) {
    RenderBox(MappedRect(r), Control.Color, box, fixedWidth, fixedHeight, true, fill, Control.Frame);
    AppendToBand(box);  // the box precedes the lines it surrounds
  }
  FlushTextBlock();
  CloseBandIfLast(Control, Continuing);
}

void TOxQRDocumentFilter::WriteGraphic(const TQRPrintable& Control, const TGraphic& Graphic, double X, double Y,
                                       bool UniqueImage, bool Continuing) {
  if (!PageOpen()) return;
  if (!BandOpen) BeginBand();
  std::string& out = itemMarkup_;
  out.clear();
  RenderPicture(Control, &Graphic, out, UniqueImage, MappedRect(PictureRect(Graphic, X, Y)));
  AppendToBand(out);
  CloseBandIfLast(Control, Continuing);
}

void TOxQRDocumentFilter::WritePicture(const TQRPrintable& Control, int OffsetX, int OffsetY, bool Continuing) {
  if (!PageOpen()) return;
  if (!BandOpen) BeginBand();
  TOxQrRect r = MappedRect(ControlRect(Control, OffsetX, OffsetY));
  bool keepsOwnSize = false;
  if (const auto* image = dynamic_cast<const TQRImage*>(&Control)) keepsOwnSize = !image->Stretch;
  if (const auto* dbImage = dynamic_cast<const TQRDBImage*>(&Control)) keepsOwnSize = !dbImage->Stretch;
  if (keepsOwnSize) {
    const TSize pixels{SourcePrinter->ToDeviceWidth(Control.Size.Width),
                       SourcePrinter->ToDeviceHeight(Control.Size.Height)};
    MapSize(pixels, r.Width, r.Height);
  }
  std::string& out = itemMarkup_;
  out.clear();
  RenderPicture(Control, nullptr, out, true, r);
  AppendToBand(out);
  CloseBandIfLast(Control, Continuing);
}

void TOxQRDocumentFilter::WriteRichText(const TQRPrintable& Control, const TGraphic& Graphic, TStream& Stream,
                                        double X, double Y, bool Continuing) {
  if (!PageOpen()) return;
  if (!BandOpen) BeginBand();
  Stream.SetPosition(0);
  const TRichTextLineBreaker& breaker = RichTextLineBreaker ? RichTextLineBreaker : TRichTextLineBreaker(PlainRichTextLines);
  const std::vector<std::string> lines = breaker(Stream, Graphic.Width(), Graphic.Height());
  const TFont font = ReportFont.ToFont();  // the lines take the report's font, not the rich text's
  double y = Y;
  ++richTextDepth_;
  try {
    for (const auto& line : lines) {
      const int ox = static_cast<int>(RoundHalfEven(X));
      const int oy = static_cast<int>(RoundHalfEven(y));
      BeginTextBlock(Control, ox, oy);
      WriteText(X, y, font, clNone, TAlignment::taLeftJustify, line);
      EndTextBlock(Control, ox, oy, false);
      // The next line starts one measured line height (with "W" so that an empty line
      // still has one) lower, converted from pixels to Native: a pitch in pixels would
      // put consecutive lines less than a line apart, so text grids merged them.
      y += TextExtent(font, line + "W").cy / SourcePrinter->VerticalFactor();
    }
  } catch (...) {
    --richTextDepth_;
    throw;
  }
  --richTextDepth_;
  CloseBandIfLast(Control, Continuing);
}

void TOxQRDocumentFilter::WriteShape(const TQRShape& Shape, int OffsetX, int OffsetY, bool Continuing) {
  if (!PageOpen()) return;
  if (!BandOpen) BeginBand();
  const TOxQrRect r = ControlRect(Shape, OffsetX, OffsetY);
  const bool asFrame = Shape.Shape > TQRShapeType::qrsCircle ||
                       (Shape.Shape == TQRShapeType::qrsRectangle &&
                        (Shape.Brush.Style == TBrushStyle::bsSolid || Shape.Brush.Style == TBrushStyle::bsClear));
  std::string& out = itemMarkup_;
  if (asFrame) {
    if (Shape.Frame.AnyFrame()) {
      const TColor parentColor = Shape.ParentBand() ? Shape.ParentBand()->Color : clWhite;
      out.clear();
      RenderBox(MappedRect(r), parentColor, out, true, true, false, false, Shape.Frame);
      AppendToBand(out);
    }
    out.clear();
    ShapeFrame(Shape, r, out);
    AppendToBand(out);
  } else {
    out.clear();
    RenderShape(Shape, MappedRect(r), out);
    AppendToBand(out);
  }
  CloseBandIfLast(Shape, Continuing);
}

}  // namespace oxqr
