#pragma once
// TOxQRRTFFilter: the report as one RTF document. Every page is a group ending in a page
// break, and every element sits at its place on the paper: text lines and text blocks as
// framed paragraphs positioned on the page, rectangles and frame lines as drawing objects,
// pictures as embedded JPEG or bitmap-in-metafile data, rich text as editable text in a
// drawing-object text box. Units are twips. The head (font and colour tables, information,
// paper) is written last, in front of the body, because the tables grow with the pages.
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "OxQrExport/core/DocumentFilter.h"
#include "OxQrExport/core/EncodedPictures.h"
#include "engine/Controls.h"
#include "platform/Canvas.h"
#include "platform/SafeFile.h"

namespace oxqr {

// The proportional line spacing (240ths of a line; 0 for none) under which readers set lines
// of `face` at `halfPoints` as far apart as our rich text layout does: that one measures the
// font at whole screen pixels and without its line gap, readers at its exact size with it.
int RtfRichTextLineSpacing(const std::string& face, int halfPoints);

class TOxQRRTFFilter : public TOxQRDocumentFilter {
 public:
  using TOxQRDocumentFilter::TOxQRDocumentFilter;
  ~TOxQRRTFFilter() override;

  // Colours of the document: entry k is RTF colour k + 1. Either "RRGGBB" or a colour entry
  // taken over from a rich text ("\red255\green0\blue0;").
  std::vector<std::string> ColorTable;
  // Fonts of the document: entry k is RTF font k. Either the entry after its number
  // ("\fcharset0 Arial", with family and alternative face for a face readers lack) or the
  // placeholder "RTFDummyFont" reserving a number for a font of a rich text.
  std::vector<std::string> FontTable;
  std::string ExtraFontText;  // font entries of embedded rich texts, already renumbered
  std::string CloseCodes;     // words switching off the styles of the current text
  std::string FormatCodes;    // words switching on font, colour, size, styles, alignment
  // The file the body spills into, empty until it spills: the output's own temporary file,
  // where the body goes behind room kept for the head (see OpenSpillFile).
  std::string SpillFileName;
  bool Spilled = false;       // the body has been moved to the spill file at least once
  // The most body text held in memory: beyond it the body moves on to the spill file, so
  // that the memory an export needs does not grow with the document.
  std::size_t BodyMemoryBudget = std::size_t{256} << 10;
  std::unique_ptr<TSafeFileStream> OutputStream;  // the RTF file, committed at the end

  static constexpr std::string_view DummyFont = "RTFDummyFont";

  std::string Extension() const override;    // "rtf"
  // Readers wrap a line that runs past its frame: only what the page shows is written.
  bool ShowsOnlyVisibleText() const override { return true; }
  // Turned lines are pictures (RtfTurnedText.cpp).
  bool DrawsTurnedText() const override { return true; }
  void WriteText(double X, double Y, const TFont& Font, TColor BackColor, TAlignment Alignment,
                 const std::string& Text) override;
  std::string DisplayName() const override;  // "Rich Text Format"

  void ClosePage() override;
  void BeginPage() override;
  void RenderPicture(const TQRPrintable& Control, const TBitmap* Bitmap, std::string& Output, bool UniqueImage,
                     const TOxQrRect& Rect) override;
  void RenderShape(const TQRShape& Shape, const TOxQrRect& Rect, std::string& Output) override;
  // The symbol as a picture drawn at four times its size (RtfBarcode.cpp).
  std::string RenderBarcode(const TQRPrintable& Control, const TOxQrBarcodeDrawing& Drawing) override;
  // The shapes as a picture drawn at four times their size (RtfChart.cpp).
  std::string RenderChart(const TQRPrintable& Control, const TChartDrawing& Drawing) override;
  void RenderBox(const TOxQrRect& Rect, TColor Color, std::string& Output, bool FixedWidth, bool FixedHeight,
                 bool TextFrame, bool Fill, const TQRFrame& Frame) override;
  // A text extent in screen pixels -> twips.
  void MapSize(TSize Size, double& Width, double& Height) override;
  std::string EncodeText(const std::string& Text) override;
  void EncodeTextInto(const std::string& Text, std::string& Out) override;
  // Native -> twips (x 1440 / 254), unrounded.
  double MapX(double X) override;
  double MapY(double Y) override;
  void BeginDocument() override;
  void AddText(const TOxQrTextRec& Rec) override;
  // As the page model's, but through WriteBody, so that band markup spills over as well.
  void EndBand(const TQRCustomBand& Band, const TOxQrRect& Rect) override;
  void BeginBand() override;
  void EndDocument() override;
  // The lines of a text block are kept in a buffer of this format (TextBlockLines stays
  // empty) and handed over with the block's frame, which RenderBox writes in front of them.
  void BeginTextBlock(const TQRPrintable& Control, int OffsetX, int OffsetY) override;
  void WriteRichText(const TQRPrintable& Control, const TGraphic& Graphic, TStream& Stream, double X, double Y,
                     bool Continuing) override;

  // The picture of a turned line at its place (false: written as text, the pictures being
  // switched off).
  bool AddTurnedText(const TOxQrTextRec& Rec);
  // RTF colour number of `Color` (1 + its entry), appended on first use.
  int ColorIndex(TColor Color);
  // RTF font number of the font's charset and name, appended on first use.
  int FontIndex(const TOxQrFontAttrib& Font);
  // A frame's line width in twips.
  double FrameWidthTwips(const TQRFrame& Frame) const;
  // Paragraph border words of a text block's frame (empty without a drawn side).
  std::string ParagraphBorder(const TQRFrame& Frame);
  // The paragraph holding `Picture` at Rect. OrigWidth/OrigHeight: the picture's size before
  // ImageDPI scaling (0 and 0: shown at its own size). The border needs all four sides.
  std::string PictureGroup(const TBitmap& Picture, const TOxQrRect& Rect, int OrigHeight, int OrigWidth,
                           bool WithBorder, const TQRFrame* Frame);
  // The encoded data of a picture that its owner keeps unchanged (the picture of a look, drawn
  // once), remembered with the settings it was encoded with: met again, it is taken from here
  // rather than found in the job's cache by hashing and comparing its pixels.
  struct TRememberedData {
    std::string Settings;
    std::shared_ptr<const std::string> Bytes;
  };
  // The same paragraph appended to Out, the picture's data copied once. Remembered: see above
  // (nullptr for a picture that may change before the next call).
  void AppendPictureGroup(std::string& Out, const TBitmap& Picture, const TOxQrRect& Rect, int OrigHeight,
                          int OrigWidth, bool WithBorder, const TQRFrame* Frame, TRememberedData* Remembered = nullptr);
  // A rich text piece (RTF) as a borderless drawing-object text box at Rect; its fonts
  // and colours join the document's tables.
  std::string RichTextBox(std::string_view Rtf, const TOxQrRect& Rect);
  // Appends to the body; beyond BodyMemoryBudget, or when memory runs out, the body
  // continues in the spill file.
  void WriteBody(std::string_view Text);
  // The document head, from the tables as they stand.
  std::string DocumentHead();

 protected:
  // The stream that holds the body in memory; tests give a bounded one.
  virtual std::unique_ptr<TStream> CreateBodyStream();

 private:
  // A filled rectangle drawn on the page, and where in BandBuffer it was drawn.
  struct TFilledBox {
    TOxQrRect Rect;
    TColor Color;
    std::size_t At = 0;
  };
  // A text block's frame head in BandBuffer that has no fill of its own.
  struct TOpenFrame {
    TOxQrRect Rect;
    std::size_t At = 0;  // where the head starts in BandBuffer
    std::size_t HeadAt = 0, HeadSize = 0;  // the head as written, in openHeads_
  };
  // Readers paint a framed paragraph white: a frame without a fill of its own over a filled
  // box gets the box's colour as its background, so that the box shows around its text.
  void FillFramesOverBoxes(const TFilledBox* bandBox);
  // Starts the spill unless it has started: the body continues in OutputStream behind room
  // for the head, as long as the head is when the spill starts. The tables mostly stay as
  // they are by then, and the head then takes its room at the end and nothing is copied;
  // when the head has grown or shrunk, EndDocument writes head and body into a new file.
  void OpenSpillFile();
  // Moves the body held in memory to the spill and empties it.
  void SpillBody();
  // The head as EndDocument would write it now, the tables left as they are.
  std::string HeadAsItStands();
  std::size_t headRoom_ = 0;   // bytes kept for the head in front of the spilled body
  // Numbers of the colours (by RGB value) and fonts already in the tables.
  std::vector<std::pair<TColor, int>> colorNumbers_;
  struct TFontNumber {
    TFontCharset Charset;
    std::string Name;
    std::size_t Index;
  };
  std::vector<TFontNumber> fontNumbers_;
  std::string textLine_;  // markup of the text line being written, kept for its buffer
  const std::string* turnedText_ = nullptr;  // the unencoded text of a turned line in WriteText
  std::string boxLine_;  // line words of the boxes, made for this colour and width
  TColor boxLineRgb_ = 0;
  long long boxLineWidth_ = 0;
  // Encoded picture data of this job; pictures of a report repeat (logos, shapes per band).
  TEncodedPictureCache pictures_{kPictureCacheBudget};
  static constexpr std::size_t kPictureCacheBudget = std::size_t{8} << 20;
  // What a shape's picture is drawn from (see ExportFilterBase's ShapeBitmap).
  struct TShapeLook {
    TQRShapeType Shape;
    int Width, Height;
    TPixelFormat PixelFormat;
    TColor Background;
    TBrush Brush;
    TPen Pen;
    friend bool operator==(const TShapeLook&, const TShapeLook&) = default;
  };
  // What a picture control's picture is drawn from (see ExportFilterBase's ControlBitmap).
  struct TPictureLook {
    qint64 Contents;  // the source image's cache key: it changes with the pixels
    TPixelFormat SourceFormat;
    bool SourceMonochrome;
    bool Center, Stretch;
    double Width, Height;
    TPixelFormat PixelFormat;
    TColor Background;
    int DPI;
    friend bool operator==(const TPictureLook&, const TPictureLook&) = default;
  };
  // A control's picture as the document shows it, and its size before ImageDPI scaling.
  struct TDrawnPicture {
    std::unique_ptr<TBitmap> Made;    // drawn or scaled here
    const TBitmap* Shown = nullptr;   // Made or the caller's bitmap; nullptr: nothing to show
    int OrigWidth = 0, OrigHeight = 0;
    TRememberedData Data;             // Shown's encoded data, once written (looks only)
  };
  TDrawnPicture DrawPicture(const TQRPrintable& Control, const TBitmap* Bitmap);
  // The paragraph of AppendPictureGroup around the picture's encoded `Data` (jpeg: JPEG data,
  // else a metafile; sx, sy: the scale in percent).
  void AppendPictureParagraph(std::string& Out, const std::string& Data, const TOxQrRect& Rect, bool jpeg,
                              long long sx, long long sy, bool WithBorder, const TQRFrame* Frame);
  // The pictures of the shapes and picture controls drawn last, oldest first.
  std::vector<std::pair<TShapeLook, TDrawnPicture>> shapes_;
  std::vector<std::pair<TPictureLook, TDrawnPicture>> pictureLooks_;
  static constexpr std::size_t kLooksKept = 8;
  // The font and alignment FormatCodes and CloseCodes were last made for, and those codes:
  // consecutive text blocks mostly share their font.
  struct TFormatCodesMade {
    bool Valid = false;
    TOxQrFontAttrib Font;
    std::string_view Align;
    int FontNumber = 0, ColorNumber = 0;  // still in the tables while these hold them
    std::string Format, Close;
  };
  TFormatCodesMade formatCodesMade_;
  double blockWidest_ = 0;  // widest line of the open text block (twips)
  TAlignment blockAlign_ = TAlignment::taLeftJustify;
  std::vector<TFilledBox> pageFills_;  // filled boxes already in the body of this page
  std::vector<TFilledBox> bandFills_;  // filled boxes in BandBuffer
  std::vector<TOpenFrame> openFrames_;  // unfilled frame heads in BandBuffer
  std::string openHeads_;  // the heads of openFrames_, one after another
  std::string blockText_;  // the lines of the open text block, each ended by CR LF
  std::string bandBox_;    // markup of the box of the band being ended, kept for its buffer
  std::map<std::pair<std::string, int>, int> lineSpacing_;  // rich text line spacing by face and size
};

}  // namespace oxqr
