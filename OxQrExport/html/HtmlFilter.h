#pragma once
// TOxQRHTMLFilter: the report as HTML. Every text line, box, picture and rich
// text of a page becomes one absolutely positioned DIV (pixels at the preview's
// resolution), written in print order into the body held in `Output`; at a
// file's end the head (title, meta data, style classes, navigator script) is
// written in front of the body. One file per page with a
// first/previous/next/last navigator, or one file for the whole report with the
// pages stacked. Pictures are written beside the document as picture files;
// style classes go into the head or into one external style sheet. Bytes are in
// the ANSI code page, lines end in CR LF.
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "OxQrExport/core/DocumentFilter.h"
#include "OxQrExport/core/EncodedPictures.h"
#include "platform/SafeFile.h"

namespace oxqr {

class TOxQRHTMLFilter : public TOxQRDocumentFilter {
 public:
  using TOxQRDocumentFilter::TOxQRDocumentFilter;

  // Style texts that became CSS classes; entry n is the class "S<n>".
  std::vector<std::string> StyleClasses;
  std::string CssFilePath;  // full path of the external style sheet
  std::string CssHref;      // reference to the style sheet written into the document
  std::string ImageFolder;  // folder receiving picture files, with a trailing delimiter
  std::string ImageHref;    // prefix of every picture's SRC ("" or "pics/")
  // Contents of the four navigator links, as markup.
  std::string NavFirstText, NavPrevText, NavNextText, NavLastText;
  std::string NavFontName;
  double NavWidth = 0;  // estimated navigator size in pixels
  double NavHeight = 0;
  // "position:absolute; " in front of every DIV's "top:", unless the head's DIV rule sets it.
  std::string PositionPrefix;
  std::unique_ptr<TSafeFileStream> OutputStream;  // the HTML file being written

  std::string DisplayName() const override;  // "HTML Document"
  std::string Extension() const override;    // "htm"
  // A line runs past its box and the page in a browser: only what the page shows is written.
  bool ShowsOnlyVisibleText() const override { return true; }
  bool DrawsTurnedText() const override { return true; }

  void ClosePage() override;
  void BeginPage() override;
  void RenderPicture(const TQRPrintable& Control, const TBitmap* Bitmap, std::string& Output, bool UniqueImage,
                     const TOxQrRect& Rect) override;
  void RenderShape(const TQRShape& Shape, const TOxQrRect& Rect, std::string& Output) override;
  // One inline SVG per symbol, or its picture file with BarcodesAsPictures (HtmlBarcode.cpp).
  std::string RenderBarcode(const TQRPrintable& Control, const TOxQrBarcodeDrawing& Drawing) override;
  // One inline SVG per chart (HtmlChart.cpp).
  std::string RenderChart(const TQRPrintable& Control, const TChartDrawing& Drawing) override;
  void RenderBox(const TOxQrRect& Rect, TColor Color, std::string& Output, bool FixedWidth, bool FixedHeight,
                 bool TextFrame, bool Fill, const TQRFrame& Frame) override;
  // "&", "<", ">" escaped, then blanks as "&nbsp;"; a line starting with three
  // code-1 characters is raw markup and passes (without the prefix) unchanged.
  std::string EncodeText(const std::string& Text) override;
  void BeginDocument() override;
  void AddText(const TOxQrTextRec& Rec) override;
  void EndDocument() override;
  void WriteRichText(const TQRPrintable& Control, const TGraphic& Graphic, TStream& Stream, double X, double Y,
                     bool Continuing) override;

  // Vertical shift of the current page: (PageHeight + 2) x (PageNumber - 1) in
  // one file, else 0.
  double PageOffset();
  // Index of `Entry` in StyleClasses (case-insensitive; appended when absent).
  int ClassIndex(const std::string& Entry);
  // The font part of a text DIV's STYLE: inline ("; font:...") or a class
  // reference.
  std::string TextFontStyle(const TOxQrFontAttrib& Font);
  // Background and border declarations of a box: inline ("; font:0pt; ...") or
  // a class reference.
  std::string BoxStyle(const TQRFrame& Frame, bool Fill, TColor Color);
  // A picture DIV with its IMG; `src` is the file's reference before URL
  // encoding.
  std::string PictureDiv(const TQRPrintable& Control, const TOxQrRect& Rect, const std::string& src,
                         const std::string& alt);
  // BandBuffer, the page frame and (one file) the page end line, at the start
  // of ClosePage.
  void PageEndContent();

 protected:
  // The body collected so far (written through Output only, so that its
  // position stays right).
  const std::string& Body() const;

 private:
  // The picture of `Control` as a file (new or reused) and its DIV; `make`
  // draws a new picture.
  template <class Make>
  void PictureMarkup(const TQRPrintable& Control, std::string& Output, bool UniqueImage, const TOxQrRect& Rect,
                     Make&& make);
  // Writes `picture` as a new picture file (or, with ReuseIdenticalImages,
  // finds an earlier file of the same bytes); returns the index of its
  // CreatedImageFiles entry.
  int WritePictureFile(const TQRPrintable& Control, const TBitmap& picture, const std::string& name);
  std::string NavigatorLinks();
  std::string NavigatorDiv();
  std::string NavigatorScript();
  std::string HeadMarkup();
  std::string ClassRules() const;
  // The file of the current page.
  std::string PageFilePath();
  // Writes the head and the body into OutputStream and commits the file.
  void FinishFile();

  // Empties StyleClasses and the look-ups below that point into it.
  void ResetStyleClasses();
  // The class of a text font or a box's declarations: found by what they are made of, so
  // that a text or box met again does not write its declarations out to find its class.
  int FontClassIndex(const TOxQrFontAttrib& Font);
  int BoxClassIndex(const TQRFrame& Frame, bool Fill, TColor Color);

  struct TFontClassKey {
    std::string Name;
    int Size;
    std::uint8_t Style;
    TColor Color;
    bool operator==(const TFontClassKey&) const = default;
  };
  struct TBoxClassKey {
    bool Fill;
    TColor Color;  // of the fill (0 without one)
    std::uint8_t Sides;
    int Width;          // of the frame lines (0 without one)
    TColor FrameColor;  // (0 without a frame)
    bool operator==(const TBoxClassKey&) const = default;
  };
  struct TClassKeyHash {
    std::size_t operator()(const TFontClassKey& k) const;
    std::size_t operator()(const TBoxClassKey& k) const;
  };
  std::unordered_map<TFontClassKey, int, TClassKeyHash> fontClasses_;
  std::unordered_map<TBoxClassKey, int, TClassKeyHash> boxClasses_;

  // The encoded bytes of the pictures of this job: a picture met again is not encoded again.
  TEncodedPictureCache encodedPictures_;

  // ReuseIdenticalImages: the files written so far by the hash of their bytes
  // (a hit is confirmed against the file itself, so only hashes and names are
  // kept in memory).
  struct TWrittenPicture {
    int Index;         // entry of CreatedImageFiles
    std::string Path;  // the file
  };
  std::unordered_map<std::size_t, std::vector<TWrittenPicture>> picturesByHash_;
};

}  // namespace oxqr
