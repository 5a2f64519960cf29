#include "RichText.h"

#include <algorithm>
#include <cmath>

#include "ExportAware.h"
#include "OxQrExport/core/DocumentFilter.h"
#include "engine/Band.h"
#include "engine/Layout.h"
#include "engine/Printer.h"
#include "platform/Bitmap.h"
#include "platform/Errors.h"
#include "platform/Streams.h"
#include "platform/TextMetrics.h"
#include "richtext/RtfReader.h"
#include "richtext/RtfWriter.h"

namespace oxqr {

namespace {

constexpr int kTwipsPerInch = 1440;
// The band grows in steps of 1 mm while the text does not fit.
constexpr double kGrowthStep = 10;

TRichAlign ToRichAlign(TAlignment a) {
  switch (a) {
    case TAlignment::taRightJustify: return TRichAlign::raRight;
    case TAlignment::taCenter: return TRichAlign::raCenter;
    case TAlignment::taLeftJustify: break;
  }
  return TRichAlign::raLeft;
}

TAlignment FromRichAlign(TRichAlign a) {
  switch (a) {
    case TRichAlign::raRight: return TAlignment::taRightJustify;
    case TRichAlign::raCenter: return TAlignment::taCenter;
    case TRichAlign::raLeft: case TRichAlign::raJustify: break;
  }
  return TAlignment::taLeftJustify;
}

// Logical pixels per inch of a printer axis from its pixels-per-Native factor.
int PixelsPerInch(double factor) { return std::max(1, static_cast<int>(std::lround(factor * NativePerInch))); }

}  // namespace

void InstallRichTextLineBreaker() {
  TOxQRDocumentFilter::RichTextLineBreaker = [](TStream& rtf, int widthPx, int /*heightPx*/) {
    rtf.SetPosition(0);
    // A malformed piece still gives the lines of what could be read.
    return LinesAtWidth(ReadRtf(rtf.ReadAll()).Document, widthPx, ScreenPPI);
  };
}

// ---- TOxQRRichEdit

TOxQRRichEdit::TOxQRRichEdit() {
  doc_ = DocumentFromLines({}, DefaultFormat());
}

TRichCharFormat TOxQRRichEdit::DefaultFormat() const {
  TRichCharFormat f;
  f.FontName = font_.Name;
  f.Charset = font_.Charset == DEFAULT_CHARSET ? 0 : font_.Charset;
  f.SizeHalfPoints = std::clamp(std::abs(font_.Size) * 2, 2, 3276);
  f.Color = (font_.Color == clBlack || font_.Color == clWindowText) ? clNone : font_.Color;
  f.Bold = font_.Style.Has(TFontStyle::fsBold);
  f.Italic = font_.Style.Has(TFontStyle::fsItalic);
  f.Underline = font_.Style.Has(TFontStyle::fsUnderline);
  f.StrikeOut = font_.Style.Has(TFontStyle::fsStrikeOut);
  return f;
}

std::vector<std::string> TOxQRRichEdit::Lines() const {
  std::vector<std::string> lines;
  for (const auto& p : doc_.Paragraphs) lines.push_back(p.Text());
  return lines;
}

void TOxQRRichEdit::SetLines(const std::vector<std::string>& lines) {
  TRichParaFormat para;
  para.Align = ToRichAlign(Alignment());
  doc_ = DocumentFromLines(lines, DefaultFormat(), para);
}

void TOxQRRichEdit::LoadFromStream(TStream& stream) {
  TRtfReadResult r = ReadRtf(stream.ReadAll());
  if (!r.Ok()) throw EInvalidData("RTF: " + r.Error);
  doc_ = std::move(r.Document);
}

void TOxQRRichEdit::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, TFileMode::fmOpenRead);
  LoadFromStream(file);
}

void TOxQRRichEdit::SaveToStream(TStream& stream) const { stream.Write(WriteRtf(doc_)); }

TAlignment TOxQRRichEdit::Alignment() const {
  return doc_.Paragraphs.empty() ? TAlignment::taLeftJustify : FromRichAlign(doc_.Paragraphs.front().Format.Align);
}

void TOxQRRichEdit::SetAlignment(TAlignment alignment) {
  for (auto& p : doc_.Paragraphs) p.Format.Align = ToRichAlign(alignment);
}

int TOxQRRichEdit::FormatRange(const TRichFormatRequest& request) const { return oxqr::FormatRange(doc_, request); }

int TOxQRRichEdit::DrawRange(const TRichFormatRequest& request, TCanvas& canvas) const {
  return oxqr::DrawRange(doc_, request, canvas);
}

std::string TOxQRRichEdit::RangeAsRTF(int start, int end) const { return RangeAsRtf(doc_, start, end); }

// ---- TOxQRCustomRichText

TOxQRCustomRichText::TOxQRCustomRichText() : editor_(std::make_unique<TOxQRRichEdit>()) {
  InstallRichTextLineBreaker();
  Finished = true;
  Size.Width = 100;
  Size.Height = 100;
  SetColor(clWindow);
}

TOxQRCustomRichText::~TOxQRCustomRichText() = default;

void TOxQRCustomRichText::SetColor(TColor c) {
  editor_->Color = c;
  Color = c;
}

TRect TOxQRCustomRichText::EditorBounds() const {
  return Bounds(1, 1, static_cast<int>(Size.Width) - 2, static_cast<int>(Size.Height) - 2);
}

void TOxQRCustomRichText::BeforePrint() {
  Finished = true;
  NextCharPos = 0;
}

// Prints from NextCharPos into the control's rectangle. A stretching control grows its
// band 1 mm at a time until the rest of the text fits or the page is full; what is left
// waits with Finished false for the next page. The text counts as placed once the
// measured end reaches TextLength: the last paragraph has no mark, so an end equal to
// TextLength means that every character fits, and the band stops growing right there.
void TOxQRCustomRichText::Print(int OffsetX, int OffsetY) {
  const TQRPrinter* printer = ParentPrinter();
  if (printer == nullptr) return;
  const TOxQRRichEdit& source = Source();
  TRichFormatRequest request;
  request.PpiX = PixelsPerInch(printer->HorizontalFactor());
  request.PpiY = PixelsPerInch(printer->VerticalFactor());
  const auto twipsX = [&](double v) { return printer->ToDeviceX(v) * kTwipsPerInch / request.PpiX; };
  const auto twipsY = [&](double v) { return printer->ToDeviceY(v) * kTwipsPerInch / request.PpiY; };
  const double left = Size.Left + OffsetX;
  const double top = Size.Top + OffsetY;
  request.Rect = Rect(twipsX(left), twipsY(top), twipsX(left + Size.Width), twipsY(top + Size.Height));

  const bool continuing = !Finished;
  if (Finished) NextCharPos = 0;
  double expansion = 0;
  const int textLength = source.TextLength();
  request.Start = NextCharPos;
  // A continued piece starts at the top of a fresh page; placing at least one line there
  // keeps a line taller than any page from being carried over forever.
  request.AtLeastOneLine = continuing;
  // The band grows 1 mm at a time and the text is measured at each step; the lines are
  // laid out once, up to the bottom of the paper, which no step goes beyond.
  const TRichMeasure measure(source.Document(), request, twipsY(printer->PaperLength) - request.Rect.Top);
  const auto measureRequest = [&] {
    return request.Rect.Height() <= measure.MaxHeightTwips() ? measure.FormatRange(request.Rect.Height())
                                                              : source.FormatRange(request);
  };
  NextCharPos = measureRequest();

  TQRCustomBand* band = ParentBand();
  if (NextCharPos < textLength && AutoStretch && band != nullptr && textLength > 0) {
    Finished = false;
    while (NextCharPos < textLength && band->CanExpand(kGrowthStep)) {
      band->ExpandBy(kGrowthStep, this, expansion);
      request.Rect.Bottom = twipsY(top + Size.Height + expansion);
      NextCharPos = measureRequest();
    }
    NextCharPos = DrawPiece(request, expansion, OffsetX, OffsetY, continuing);
    printedExpansion_ = expansion;
    if (NextCharPos >= textLength || NextCharPos < 0) {
      NextCharPos = textLength;
      Finished = true;
    }
  } else {
    NextCharPos = DrawPiece(request, expansion, OffsetX, OffsetY, continuing);
    printedExpansion_ = 0;
    Finished = true;
    TQRPrintable::Print(OffsetX, OffsetY);  // the frame
  }
}

// Draws the request on the page and, while a document filter exports the report, hands
// it the piece as a picture and as the RTF of exactly the characters drawn.
int TOxQRCustomRichText::DrawPiece(const TRichFormatRequest& request, double expansion, int OffsetX, int OffsetY,
                                   bool continuing) {
  const TOxQRRichEdit& source = Source();
  TCanvas* canvas = FinalCanvas(*this);
  const int end = canvas != nullptr ? source.DrawRange(request, *canvas) : source.FormatRange(request);
  TOxQRDocumentFilter* filter = ActiveDocumentFilter(*this);
  if (filter == nullptr) return end;

  const TQRPrinter* printer = ParentPrinter();
  const int width = std::max(1, printer->ToDeviceX(Size.Width));
  const int height = std::max(1, printer->ToDeviceY(Size.Height + expansion));
  TBitmap picture(width, height);
  TRichFormatRequest onPicture = request;
  onPicture.Rect = Rect(0, 0, width * kTwipsPerInch / request.PpiX, height * kTwipsPerInch / request.PpiY);
  source.DrawRange(onPicture, picture.Canvas());
  TMemoryStream rtf(source.RangeAsRTF(request.Start, end));
  filter->WriteRichText(*this, picture, rtf, Size.Left + OffsetX, Size.Top + OffsetY, continuing);
  return end;
}

// ---- TOxQRRichText

void TOxQRRichText::SetLines(const std::vector<std::string>& lines) {
  Editor().SetLines(lines);
  if (parentRichEdit_ != nullptr) parentRichEdit_->SetLines(lines);
}

void TOxQRRichText::SetParentRichEdit(TOxQRRichEdit* editor) {
  parentRichEdit_ = editor;
  if (editor != nullptr) Editor().SetLines(editor->Lines());
}

}  // namespace oxqr
