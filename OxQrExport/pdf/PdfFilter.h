#pragma once
// TOxQRPDFFilter: the report as one PDF 1.3 file. The file is written strictly forward:
// objects 1..5 (catalog, pages tree, information, procedure sets, shared resources) are
// reserved at the start and the ones known only at the end are written then; each page
// is its page object, a content stream (deflated unless switched off) with its length as
// a separate object, and the image objects made on that page. Fonts are TrueType font
// dictionaries with widths measured from the installed fonts, embedded as subsets on
// request; positions are points from the bottom left corner of the paper. In the Unicode
// mode text is written with Type 0 fonts instead (PdfType0Font.h).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "OxQrExport/core/Deflater.h"
#include "OxQrExport/core/DocumentFilter.h"
#include "OxQrExport/core/EncodedPictures.h"
#include "OxQrExport/pdf/PdfConformanceWriter.h"
#include "OxQrExport/pdf/PdfFileWriter.h"
#include "OxQrExport/pdf/PdfFontInfo.h"
#include "OxQrExport/pdf/PdfType0Font.h"
#include "platform/SafeFile.h"
#include "platform/Streams.h"

namespace oxqr {

class TOxQRPDFFilter : public TOxQRDocumentFilter {
 public:
  using TOxQRDocumentFilter::TOxQRDocumentFilter;
  ~TOxQRPDFFilter() override;

  struct TFontEntry {
    std::string Key;
    std::unique_ptr<TOxQRFontInfo> Info;
  };

  std::unique_ptr<TSafeFileStream> PdfFile;  // the file, committed at the end of the document
  // Every byte of PdfFile goes through Writer, which records where each object starts.
  // Declared after PdfFile: it is destroyed (its thread joined) first.
  std::unique_ptr<pdf::TPdfFileWriter> Writer;
  // Pages are compressed and written on a second thread while the next page is laid out;
  // a process that may use only one processor writes them itself. The file is the same.
  bool SecondThread = pdf::SecondProcessorAvailable();
  // Bytes of distinct images kept in memory to confirm that a picture is one written before
  // (ReuseIdenticalImages); images beyond it are compared with the bytes in the file.
  std::size_t ReuseStoreBudget = std::size_t{8} << 20;
  std::vector<TFontEntry> FontList;          // entry i is resource /F<i>
  pdf::TObjectRun PageImages;                // image objects made during the current page
  std::vector<int> ImageObjects;             // object number of image /Img<i>
  int ObjectCount = 0;     // highest object number handed out
  int PageObject = 0;      // the current page's /Page dictionary
  int ContentsObject = 0;  // its content stream
  int LengthObject = 0;    // the integer object holding that stream's length
  std::string KidsText;    // " N 0 R" per page opened, in page order
  std::unique_ptr<pdf::TType0FontSet> Type0Fonts;  // the Unicode mode's fonts, resources /U<i>
  // An archival or accessible file's additions (PdfConformanceWriter.h); null: the plain file.
  std::unique_ptr<pdf::TConformanceWriter> Conformance;

  std::string DisplayName() const override;  // "Adobe Acrobat Document"
  std::string Extension() const override;    // "pdf"
  // Neither the preview's pictures nor its page count go into the file.
  bool ReadsPreviewPages() const override { return false; }
  // A line would run past its box over its neighbours: only what the page shows is written.
  bool ShowsOnlyVisibleText() const override { return true; }
  bool DrawsTurnedText() const override { return true; }

  void ClosePage() override;
  void BeginPage() override;

  void RenderPicture(const TQRPrintable& Control, const TBitmap* Bitmap, std::string& Output, bool UniqueImage,
                     const TOxQrRect& Rect) override;
  void RenderShape(const TQRShape& Shape, const TOxQrRect& Rect, std::string& Output) override;
  // Background and bars as filled rectangles (PdfBarcode.cpp).
  std::string RenderBarcode(const TQRPrintable& Control, const TOxQrBarcodeDrawing& Drawing) override;
  // Background and shapes as vector paths (PdfChart.cpp).
  std::string RenderChart(const TQRPrintable& Control, const TChartDrawing& Drawing) override;
  void RenderBox(const TOxQrRect& Rect, TColor Color, std::string& Output, bool FixedWidth, bool FixedHeight,
                 bool TextFrame, bool Fill, const TQRFrame& Frame) override;
  // Left/Top through MapX/MapY, Width through MapX, Height in points unflipped: the
  // rectangle spans Top - Height up to Top.
  void MapRect(const TOxQrRect& Source, TOxQrRect& Dest) override;
  void MapSize(TSize Size, double& Width, double& Height) override;
  std::string EncodeText(const std::string& Text) override;
  double MapX(double X) override;  // Native -> points
  double MapY(double Y) override;  // Native -> points above the bottom of the paper
  std::string FormatNumber(double Value) override;
  void BeginDocument() override;
  void AddText(const TOxQrTextRec& Rec) override;
  void EndBand(const TQRCustomBand& Band, const TOxQrRect& Rect) override;
  void EndDocument() override;
  void WriteRichText(const TQRPrintable& Control, const TGraphic& Graphic, TStream& Stream, double X, double Y,
                     bool Continuing) override;

  // ---- The file writer.
  int NextObject() { return ++ObjectCount; }
  // "N 0 obj" CR LF, the body (wrapped in "<<" ">>" lines when it has a line break), CR LF
  // and, with `endObj`, "endobj" CR LF; its offset goes to the cross-reference table.
  void WriteObject(const std::string& Body, int Number, bool EndObj) { Writer->WriteObject(Body, Number, EndObj); }

  // ---- Text and fonts.
  // Index of the font for `Font` in FontList, registering it when new.
  int FontIndex(const TOxQrFontAttrib& Font);
  std::unique_ptr<TOxQRFontInfo> RegisterFont(const TOxQrFontAttrib& Font);

  // ---- Graphics and images.
  // Stroke operators of `Frame` around the rectangle; empty when no side is drawn.
  static std::string FrameOperators(const TQRFrame* Frame, const TOxQrRect& Rect);
  static void AppendFrameOperators(std::string& Ops, const TQRFrame* Frame, const TOxQrRect& Rect);
  // Writes a new image object into PageImages (or places an identical earlier one
  // when ReuseIdenticalImages is on) and returns its placement operators.
  // `Frame` (nullptr: none) is drawn around the placed picture.
  std::string EmbedImage(const TBitmap& Bitmap, const TOxQrRect& Rect, const TQRFrame* Frame,
                         const void* ReportObject);
  static std::string PlaceImage(int Index, const TOxQrRect& Rect, const TQRFrame* Frame);
  std::string ImageFilterEntry() const;
  // Deflates `Source` into `Destination` (or copies it when Compressed is off) at `Level`;
  // returns the number of bytes added.
  std::int64_t DeflateInto(const std::string& Source, TStream& Destination, int Level) const;

 private:
  TMemoryStream& PageContent();
  std::string TextOperators(const TOxQrTextRec& Rec);
  std::string UnicodeTextOperators(const TOxQrTextRec& Rec);
  // A turned line: its upright operators in a frame turned about its start, clipped to
  // its control's box.
  std::string TurnedTextOperators(const TOxQrTextRec& Rec);
  void WritePageObjects();
  void WriteFontObjects(int Index, TFontEntry& Entry);
  int WriteFontProgram(const TOxQRFontInfo& Info);
  void WriteEmptyPage();
  void WriteNullObject(int Number);
  void WriteResources();
  void WriteCrossReference();
  // The image to place again for a picture of `ReportObject`, or -1 to write a new one:
  // what OnEncodeGraphic chose when it names a written image, else (unless `Unique`) the
  // first image written for the same report object.
  int ReusedImage(const void* ReportObject, bool Unique);
  std::string InfoDictionary() const;
  // Makes Conformance for the level asked for; false (the job aborted) when a setting
  // contradicts it.
  bool StartConformance();
  // The conformance report at the end: true when the file may be kept.
  bool FinishConformance();
  // A picture's operators as a figure with its alternative text (the control's, else a
  // chart's data), unless it is a rich text's picture, which WriteRichText marks.
  void MarkFigure(const TQRPrintable& Control, std::string& Ops);
  // The plain text of a rich text, as the alternative text of its picture.
  std::string RichTextAlt(TStream& Rtf, const TGraphic& Graphic) const;
  std::string BarcodeOperators(const TOxQrBarcodeDrawing& Drawing);

  int closedPages_ = 0;
  // The font of the last text line and its index in FontList.
  struct TLastFont {
    std::string Name;
    bool Bold = false, Italic = false;
    int Index = -1;
  } lastFont_;
  bool richTextPicture_ = false;  // RenderPicture is drawing a rich text's bitmap
  // The first image written for each report object, for ReusedImage.
  std::unordered_map<const void*, int> firstImageOf_;
  // The images of the job by a hash of their size, filter and data, for
  // ReuseIdenticalImages; a match is confirmed on the bytes themselves.
  struct TImageRecord {
    int Index = 0;
    int Object = 0;
    std::size_t DataOffset = 0;  // from "N 0 obj" to the first byte of the data
    std::size_t Length = 0;
    std::string Head;                          // the size and filter entries
    std::shared_ptr<const std::string> Data;  // null beyond ReuseStoreBudget: read back
  };
  bool SameImageData(const TImageRecord& Record, std::string_view Data);
  std::unordered_multimap<std::size_t, TImageRecord> imageData_;
  std::size_t imageDataHeld_ = 0;  // bytes of the records' Data
  TEncodedPictureCache encodedPictures_;  // encoded bytes of the job's pictures
  mutable TDeflater deflater_;            // compressor states kept for the whole job
};

}  // namespace oxqr
