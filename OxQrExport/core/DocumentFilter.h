#pragma once
// TOxQRDocumentFilter: the base of the document formats (HTML, PDF, RTF, Excel, text).
// It turns the engine's calls and the export-aware controls' hooks into a streaming flow
// of items in print order — page geometry and default font at the start, one text record
// per printed line, and per band its boxes, text blocks, pictures and shapes — with the
// positions already converted into the format's units. A format supplies the markup and
// the unit conversion through the virtual operations below and writes into `Output`.
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ExportFilterBase.h"
#include "engine/EngineTypes.h"
#include "engine/Frame.h"
#include "engine/TextCell.h"
#include "platform/Bitmap.h"
#include "platform/Font.h"
#include "platform/Streams.h"
#include "platform/Types.h"

namespace oxqr {

class TQRPrintable;
class TQRShape;
class TQRCustomBand;
class TQRCustomLabel;
struct TOxQrBarcodeDrawing;
struct TChartDrawing;

// The font of an item. Size is in points and always positive.
struct TOxQrFontAttrib {
  TFontCharset Charset = DEFAULT_CHARSET;
  std::string Name;
  TFontPitch Pitch = TFontPitch::fpDefault;
  int Size = 0;
  TColor Color = clBlack;
  TFontStyles Style;

  // The attributes of `font`, its size made positive.
  static TOxQrFontAttrib FromFont(const TFont& font);
  // A font with these attributes.
  TFont ToFont() const;
  friend bool operator==(const TOxQrFontAttrib&, const TOxQrFontAttrib&) = default;
};

// One printed text line, positions and sizes in output units.
struct TOxQrTextRec {
  double X = 0;       // MapX of the anchor: left edge, right edge or centre per Alignment
  double Y = 0;       // MapY of the top of the line
  double Width = 0;   // MapSize of the measured text
  double Height = 0;
  TOxQrFontAttrib Font;
  TColor BackColor = clNone;  // the control's background; clNone for rich-text lines
  TAlignment Alignment = TAlignment::taLeftJustify;
  std::string Text;   // after EncodeText
  // Tenths of a degree counterclockwise the line is turned by (the font's Orientation).
  // A format that draws turned lines gets X, Y at the line's turned start (the corner that
  // is its top-left before it turns) with left alignment; any other format gets the line
  // upright, the lines one under another from the control's top-left (see WriteTurnedText).
  int Orientation = 0;
  int ColumnSlot = 0; // free for a format's own copies
  std::uint8_t CellType = 0;  // free for a format's own copies
};

class TOxQRDocumentFilter : public TOxQRExportFilter {
 public:
  using TOxQRExportFilter::TOxQRExportFilter;
  ~TOxQRDocumentFilter() override;

  // ---- Page model state (read by the formats; written by this class unless stated).
  const TQRPrintable* TextControl = nullptr;  // control of the open text block
  int TextOffsetX = 0;  // Native offsets that came with BeginTextBlock
  int TextOffsetY = 0;
  bool BandOpen = false;       // a band has received items and was not yet ended
  std::string BandBuffer;      // markup of the open band not yet written to Output
  bool OptimizeBackground = false;  // set by the formats' BeginDocument from their settings
  int TotalPages = 0;          // page count of SourcePrinter at StartJob
  double PageHeight = 0;       // MapY of the paper length
  double LeftMargin = 0, TopMargin = 0, RightMargin = 0, BottomMargin = 0;
  double PageWidth = 0;        // MapX of the paper width
  TOxQrFontAttrib ReportFont;  // the report's default font
  std::unique_ptr<TQRFrame> PageFrame;  // copy of the report's page frame (nullptr: none)
  std::string ReportTitle;     // title of SourcePrinter
  std::unique_ptr<TStream> Output;  // created by the format's BeginDocument, owned here
  bool InTextBlock = false;    // between BeginTextBlock and EndTextBlock
  int LinesInBlock = 0;        // text lines received since the last BeginTextBlock
  std::vector<std::string> TextBlockLines;  // markup of the lines of the open text block
  const TQRTextCell* TextCell = nullptr;    // the cell WriteTextCells is writing, else nullptr

  // ---- Engine operations. StartJob needs SourcePrinter (std::logic_error without one);
  // a format that needs its own conversion values sets them before calling it.
  void StartJob(int PageWidth, int PageHeight, const TFont& Font) override;
  void WriteText(double X, double Y, const TFont& Font, TColor BackColor, TAlignment Alignment,
                 const std::string& Text) override;
  void FinishJob() override;

  // ---- Operations of the page model, in slot order.
  // Markup of a picture of `Control` (Bitmap nullptr: the format uses ControlBitmap).
  virtual void RenderPicture(const TQRPrintable& Control, const TBitmap* Bitmap, std::string& Output,
                             bool UniqueImage, const TOxQrRect& Rect) = 0;
  // Markup of a circle or hatched rectangle (formats draw it with ShapeBitmap).
  virtual void RenderShape(const TQRShape& Shape, const TOxQrRect& Rect, std::string& Output) = 0;
  // Markup of a background and/or frame box. May produce nothing when neither Fill nor a
  // drawn side of Frame is set.
  virtual void RenderBox(const TOxQrRect& Rect, TColor Color, std::string& Output, bool FixedWidth,
                         bool FixedHeight, bool TextFrame, bool Fill, const TQRFrame& Frame) = 0;
  // Native -> output units: Left/Width through MapX, Top/Height through MapY.
  virtual void MapRect(const TOxQrRect& Source, TOxQrRect& Dest);
  // Screen pixel size -> output units; the base copies the two values.
  virtual void MapSize(TSize Size, double& Width, double& Height);
  // Text as the format writes it; the base returns it unchanged.
  virtual std::string EncodeText(const std::string& Text);
  // Out := EncodeText(Text). A format may write the text into Out's buffer instead: the base
  // passes the same string for every line, so that its room is reused.
  virtual void EncodeTextInto(const std::string& Text, std::string& Out);
  // Native -> output units; the base gives screen pixels (SourcePrinter->ToDeviceX/Y).
  virtual double MapX(double X);
  virtual double MapY(double Y);
  // Whether the format writes only the characters of a line that the page shows (the rest
  // clipped by the line's control or the paper's edges); the base writes whole lines.
  virtual bool ShowsOnlyVisibleText() const { return false; }
  // Whether the format draws a turned line turned (PDF, HTML, RTF); the others place it
  // upright where the page shows it and may note its Orientation.
  virtual bool DrawsTurnedText() const { return false; }
  // Number text of the format; the base rounds half to even and writes an integer.
  virtual std::string FormatNumber(double Value);
  // Opens a band: BandOpen := true, BandBuffer emptied. Called by the first item of a band.
  virtual void BeginBand();
  // Creates Output and writes what the document starts with (end of StartJob).
  virtual void BeginDocument() = 0;
  // One printed text line. Rule for every format: while InTextBlock the line's markup goes
  // to TextBlockLines, otherwise to Output at once (or to the format's page list).
  virtual void AddText(const TOxQrTextRec& Rec) = 0;
  // Writes the band's own box (when filled or framed) and then BandBuffer to Output.
  virtual void EndBand(const TQRCustomBand& Band, const TOxQrRect& Rect);
  // Finishes Output (FinishJob, unless Aborted). The base does nothing.
  virtual void EndDocument();

  // ---- Control hooks, called by the export-aware controls while they print.
  virtual void BeginTextBlock(const TQRPrintable& Control, int OffsetX, int OffsetY);
  virtual void EndTextBlock(const TQRPrintable& Control, int OffsetX, int OffsetY, bool Continuing);
  virtual void WriteGraphic(const TQRPrintable& Control, const TGraphic& Graphic, double X, double Y,
                            bool UniqueImage, bool Continuing);
  virtual void WritePicture(const TQRPrintable& Control, int OffsetX, int OffsetY, bool Continuing);
  // Base behaviour: the rich text as plain lines in the report's default font, one text
  // block per line (broken by RichTextLineBreaker).
  virtual void WriteRichText(const TQRPrintable& Control, const TGraphic& Graphic, TStream& Stream, double X,
                             double Y, bool Continuing);
  virtual void WriteShape(const TQRShape& Shape, int OffsetX, int OffsetY, bool Continuing);
  // A barcode control's symbol (DocumentBarcode.cpp): RenderBarcode's markup followed by
  // the human-readable lines as text or, when a format renders no bars, the data as text.
  virtual void WriteBarcode(const TQRPrintable& Control, const TOxQrBarcodeDrawing& Drawing, int OffsetX,
                            int OffsetY, bool Continuing);
  // The cells of a control that prints a table (a cross-tab, DocumentCells.cpp): each is a
  // text block at its own box with the control's colour and frame, as a label there would
  // be; the band closes after the last cell when the control is the band's last.
  virtual void WriteTextCells(const TQRPrintable& Control, std::span<const TQRTextCell> Cells, int OffsetX,
                              int OffsetY, bool Continuing);
  // Whether WriteTextCells gives a cell's line its alignment (a grid aligns it in its cell)
  // rather than its left edge where the page draws it.
  virtual bool KeepsCellAlignment() const { return false; }
  // Markup of a barcode's background and bars; the base renders none (text formats).
  virtual std::string RenderBarcode(const TQRPrintable& Control, const TOxQrBarcodeDrawing& Drawing);
  // A chart control's drawing (DocumentChart.cpp): RenderChart's markup of the shapes
  // followed by the chart's texts as text lines; nothing in formats that render no shapes.
  virtual void WriteChart(const TQRPrintable& Control, const TChartDrawing& Drawing, int OffsetX, int OffsetY,
                          bool Continuing);
  // Markup of a chart's background and shapes; the base renders none (text and cell formats).
  virtual std::string RenderChart(const TQRPrintable& Control, const TChartDrawing& Drawing);

  // Breaks an RTF document into the text lines a rich text box of widthPx x heightPx screen
  // pixels shows. The stream is read from its start. The default strips RTF control words
  // and breaks at paragraph marks only; the rich text layer installs its real layout here.
  using TRichTextLineBreaker = std::function<std::vector<std::string>(TStream& rtf, int widthPx, int heightPx)>;
  static TRichTextLineBreaker RichTextLineBreaker;
  static std::vector<std::string> PlainRichTextLines(TStream& rtf, int widthPx, int heightPx);

  // A copy of Graphic stretched to DPI x its size / 72 pixels (rounded, at least 1), for
  // the ImageDPI setting; nullptr when there is no graphic.
  std::unique_ptr<TBitmap> ScaleToDPI(const TGraphic* Graphic, int DPI) const;

  // A rectangle mapped into output units (convenience over MapRect).
  TOxQrRect MappedRect(const TOxQrRect& Source);

 protected:
  // Control's rectangle in Native with the band offsets applied.
  static TOxQrRect ControlRect(const TQRPrintable& Control, int OffsetX, int OffsetY);
  // The band's placement on the page (report CurrentX/CurrentY) and size incl. Expanded.
  static TOxQrRect BandRect(const TQRCustomBand& Band);
  // Whether `Control` is the last control of its band that prints (see the .cpp).
  static bool IsLastInBand(const TQRPrintable& Control, bool Continuing);
  // Whether the control's background is painted (`Label`: Control as a label, or nullptr).
  static bool BackgroundFill(const TQRPrintable& Control, const TQRCustomLabel* Label, bool Optimize);
  // Ends the control's band when it is the band's last control.
  void CloseBandIfLast(const TQRPrintable& Control, bool Continuing);
  // One text of a drawn control (a barcode's or chart's) at Native (X, Y), as a text block
  // of its own label: transparent and in no band, so that it paints no box over the
  // drawing's shapes and closes no band. PixelsPerNative* size the label from the text.
  void WriteDrawnText(const TFont& Font, const std::string& Text, double X, double Y, double PixelsPerNativeX,
                      double PixelsPerNativeY, int OffsetX, int OffsetY);
  // Markup of a line, line pair or plain rectangle shape drawn as frame sides, in Out.
  void ShapeFrame(const TQRShape& Shape, TOxQrRect R, std::string& Out);
  // Appends the lines of the open text block to BandBuffer, each followed by CR LF.
  void FlushTextBlock();
  // The markup of a band still open when its page closes, handed over once: BandBuffer is
  // emptied and the band closed, so that none of it is written again with the next page.
  std::string TakeOpenBand();
  // Appends `markup` followed by CR LF to BandBuffer.
  void AppendToBand(std::string_view markup);
  // The whole characters the page shows of a line WriteText receives (`Width`: its measured
  // width in pixels) in `Shown` (see VisibleText.h), its anchor X (Native) moved with them.
  // False: the whole line shows, X and Shown are untouched.
  bool CutToVisible(double& X, const TFont& Font, TAlignment Alignment, const std::string& Text, int Width,
                    std::string& Shown) const;

 private:
  // A line whose font is turned: placed as DrawsTurnedText asks (see TOxQrTextRec).
  void WriteTurnedText(double X, double Y, const TFont& Font, TColor BackColor, const std::string& Text,
                       TSize Extent);
  // Builds the text record of one line (Extent: its measured size) and hands it to AddText.
  void AddTextRec(double X, double Y, const TFont& Font, TColor BackColor, TAlignment Alignment,
                  const std::string& Text, TSize Extent);
  // The markup of one item (a box, picture or shape) on its way to BandBuffer, and the text
  // record of one line on its way to AddText: kept for their buffers, as a report has several
  // items per band and a record per line. Emptied before each use.
  std::string itemMarkup_;
  TOxQrTextRec textRec_;
  // The font whose line height EndTextBlock measured last, and that height in pixels.
  TFont lineHeightFont_;
  int lineHeight_ = 0;
  bool lineHeightKnown_ = false;
  int richTextDepth_ = 0;  // > 0 while WriteRichText emits its lines as text blocks
};

}  // namespace oxqr
