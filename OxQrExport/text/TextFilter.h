#pragma once
// TOxQRTextFilter: the report as plain text. Every printed text line is placed on a grid
// of character cells standing for the paper, one grid per page, written as CR LF lines in
// the report's 8-bit code page (UTF-8 in the Unicode mode, where a cell holds a character
// and an East Asian wide one takes two). Pictures, shapes, frames and colours are dropped. Output
// is one file for all pages (Text.SingleFile) or one file per page named after the page.
#include <memory>
#include <string>
#include <vector>

#include "OxQrExport/core/DocumentFilter.h"

namespace oxqr {

class TOxQRTextFilter : public TOxQRDocumentFilter {
 public:
  using TOxQRDocumentFilter::TOxQRDocumentFilter;

  std::vector<std::string> PageLines;                     // character rows of the current page
  std::vector<std::unique_ptr<TOxQrTextRec>> PageTexts;   // ascending by (Y, X)
  double CharWidth = 1;   // width of one character cell, screen pixels
  double LineHeight = 1;  // height of one character row, screen pixels

  std::string DisplayName() const override;  // "Text Document"
  std::string Extension() const override;    // "txt"
  // Neither the preview's pictures nor its page count go into the file.
  bool ReadsPreviewPages() const override { return false; }

  void StartJob(int PageWidth, int PageHeight, const TFont& Font) override;
  void ClosePage() override;
  void BeginPage() override;

  // Native -> fractional column and row numbers (not rounded).
  double MapX(double X) override;
  double MapY(double Y) override;
  void MapSize(TSize Size, double& Width, double& Height) override;

  void RenderPicture(const TQRPrintable&, const TBitmap*, std::string&, bool, const TOxQrRect&) override {}
  void RenderShape(const TQRShape&, const TOxQrRect&, std::string&) override {}
  void RenderBox(const TOxQrRect&, TColor, std::string&, bool, bool, bool, bool, const TQRFrame&) override {}
  void BeginDocument() override;
  void AddText(const TOxQrTextRec& Rec) override;
  void EndBand(const TQRCustomBand& Band, const TOxQrRect& Rect) override;
  void EndDocument() override;

  void EndTextBlock(const TQRPrintable& Control, int OffsetX, int OffsetY, bool Continuing) override;
  void WriteGraphic(const TQRPrintable&, const TGraphic&, double, double, bool, bool) override {}
  void WritePicture(const TQRPrintable&, int, int, bool) override {}
  void WriteRichText(const TQRPrintable& Control, const TGraphic& Graphic, TStream& Stream, double X, double Y,
                     bool Continuing) override;
  void WriteShape(const TQRShape&, int, int, bool) override {}

 protected:
  // Writes Text into row Row at column Column (both from 1), adding blank rows as needed;
  // control bytes (below 32) of Text become spaces.
  void PutText(int Row, int Column, const std::string& Text);

 private:
  std::string BlankRow() const;
  // Number of blank rows between two text rows for the LineSpacing setting (not lsActual).
  int BlankRowsBetween() const;
  // The page's rows as file bytes, each followed by CR LF.
  std::string PageBytes() const;
  // Builds the open page's grid from PageTexts and writes it (file or Output).
  void WritePage();
  // Saves this page's file in per-page mode; sets Aborted when it cannot be created.
  void SavePageFile(const std::string& bytes);
};

}  // namespace oxqr
